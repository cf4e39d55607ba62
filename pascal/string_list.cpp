#include "pascal/string_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "pascal/builtins.h"

namespace varnelo::pascal {

namespace {

const char* const kListError = "EStringListError";

// Free Pascal's default comparison of list items: byte order of the lower-cased texts.
int CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::string NameOf(const std::string& line) {
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string ValueOf(const std::string& line) {
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

const std::string& StringArg(const TValue& value) {
  if (value.Kind() != TValueKind::kString)
    throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: String expected");
  return value.AsString();
}

int64_t IntegerArg(const TValue& value) {
  if (value.Kind() != TValueKind::kInteger)
    throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Integer expected");
  return value.AsInteger();
}

bool BooleanArg(const TValue& value) {
  if (value.Kind() != TValueKind::kBoolean)
    throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Boolean expected");
  return value.AsBoolean();
}

char CharArg(const TValue& value) {
  if (value.Kind() != TValueKind::kString || value.AsString().size() != 1)
    throw TBuiltinError(TErrorCode::kTypeMismatch, "Incompatible types: Char expected");
  return value.AsString()[0];
}

void CountArgs(const std::vector<TValue>& args, size_t count, const char* method) {
  if (args.size() != count)
    throw TBuiltinError(TErrorCode::kTypeMismatch,
                        std::string("Wrong number of parameters specified for call to \"") + method + "\"");
}

TValue Integer(size_t value) { return TValue::Integer(static_cast<int64_t>(value)); }

int64_t LineBytes(const std::string& line) { return int64_t(sizeof(std::string) + line.size()); }

}  // namespace

TStringList::TStringList(std::vector<std::string> lines) : lines_(std::move(lines)) {
  int64_t bytes = 0;
  for (const std::string& line : lines_) bytes += LineBytes(line);
  charge_.Grow(bytes);
}

void TStringList::InsertLine(size_t position, const std::string& line) {
  charge_.Grow(LineBytes(line));
  try {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(position), line);
  } catch (...) {
    charge_.Shrink(LineBytes(line));
    throw;
  }
}

void TStringList::ReplaceLine(size_t position, const std::string& line) {
  charge_.Grow(LineBytes(line));
  charge_.Shrink(LineBytes(lines_[position]));
  lines_[position] = line;
}

void TStringList::EraseLine(size_t position) {
  charge_.Shrink(LineBytes(lines_[position]));
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(position));
}

void TStringList::ClearLines() {
  lines_.clear();
  charge_.Reset();
}

int TStringList::Add(const std::string& line) {
  if (!sorted_) {
    InsertLine(lines_.size(), line);
    return static_cast<int>(lines_.size()) - 1;
  }
  size_t position = 0;
  if (Find(line, position)) {
    if (duplicates_ == TDuplicates::kIgnore) return static_cast<int>(position);
    if (duplicates_ == TDuplicates::kError)
      throw TBuiltinError(TErrorCode::kRuntime, "String list does not allow duplicates", kListError);
  }
  InsertLine(position, line);
  return static_cast<int>(position);
}

std::string TStringList::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + "\n";
  return text;
}

void TStringList::SetText(const std::string& text) {
  ClearLines();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
}

std::string TStringList::DelimitedText() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    bool quote = std::any_of(line.begin(), line.end(), [&](char c) {
      return c == '\0' || c == quoteChar_ || c == delimiter_ || (!strictDelimiter_ && static_cast<unsigned char>(c) <= ' ');
    });
    if (quote) {
      text += quoteChar_;
      for (char c : line) text += c == quoteChar_ ? std::string(2, c) : std::string(1, c);
      text += quoteChar_;
    } else {
      text += line;
    }
    if (i + 1 < lines_.size()) text += delimiter_;
  }
  if (text.empty() && lines_.size() == 1) text = std::string(2, quoteChar_);
  return text;
}

// Follows Free Pascal's parser item for item, including how it treats blanks and a trailing delimiter.
void TStringList::SetDelimitedText(const std::string& text) {
  ClearLines();
  auto blank = [&](size_t at) { return !strictDelimiter_ && static_cast<unsigned char>(text[at]) <= ' '; };
  size_t i = 0;
  bool notFirst = false;
  while (i < text.size()) {
    if (notFirst && text[i] == delimiter_) ++i;
    while (i < text.size() && blank(i)) ++i;
    if (i < text.size()) {
      if (text[i] == quoteChar_) {
        size_t j = i + 1;
        std::string item;
        while (j < text.size() && (text[j] != quoteChar_ || (j + 1 < text.size() && text[j + 1] == quoteChar_))) {
          item += text[j];
          j += text[j] == quoteChar_ ? 2 : 1;
        }
        Add(item);
        i = j + 1;
      } else {
        size_t j = i;
        while (j < text.size() && !blank(j) && text[j] != delimiter_) ++j;
        Add(text.substr(i, j - i));
        i = j;
      }
    } else if (notFirst) {
      Add("");
    }
    while (i < text.size() && blank(i)) ++i;
    notFirst = true;
  }
}

int TStringList::IndexOf(const std::string& line) const {
  if (sorted_) {
    size_t position = 0;
    return Find(line, position) ? static_cast<int>(position) : -1;
  }
  for (size_t i = 0; i < lines_.size(); ++i)
    if (CompareText(lines_[i], line) == 0) return static_cast<int>(i);
  return -1;
}

int TStringList::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].find('=') != std::string::npos && CompareText(NameOf(lines_[i]), name) == 0) return static_cast<int>(i);
  return -1;
}

void TStringList::Sort() {
  std::stable_sort(lines_.begin(), lines_.end(),
                   [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}

bool TStringList::Find(const std::string& line, size_t& position) const {
  auto found = std::lower_bound(lines_.begin(), lines_.end(), line,
                                [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  position = static_cast<size_t>(found - lines_.begin());
  return found != lines_.end() && CompareText(*found, line) == 0;
}

size_t TStringList::CheckedIndex(const TValue& index) const {
  int64_t i = IntegerArg(index);
  if (i < 0 || i >= static_cast<int64_t>(lines_.size()))
    throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(i) + ") out of bounds", kListError);
  return static_cast<size_t>(i);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw TBuiltinError(TErrorCode::kRuntime, "Operation not allowed on sorted list", kListError);
}

void TStringList::LoadFromFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw TBuiltinError(TErrorCode::kRuntime, "Unable to open file \"" + path + "\": " + std::strerror(errno), "EFOpenError");
  std::ostringstream content;
  content << file.rdbuf();
  SetText(content.str());
}

void TStringList::SaveToFile(const std::string& path) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file)
    throw TBuiltinError(TErrorCode::kRuntime, "Unable to create file \"" + path + "\": " + std::strerror(errno), "EFCreateError");
  file << Text();
  file.flush();
  if (!file) throw TBuiltinError(TErrorCode::kRuntime, "Unable to write to file \"" + path + "\"", "EWriteError");
}

bool TStringList::HasMember(const std::string& name) const {
  static const std::set<std::string> kMembers = {
      "add", "clear", "commatext", "count", "delete", "delimitedtext", "delimiter", "duplicates", "exchange",
      "indexof", "indexofname", "insert", "loadfromfile", "names", "savetofile", "sort", "sorted",
      "strictdelimiter", "strings", "text", "valuefromindex", "values"};
  return kMembers.count(name) > 0;
}

std::optional<TValue> TStringList::GetProperty(const std::string& name, const std::vector<TValue>& indexes) {
  if (indexes.empty()) {
    if (name == "count") return Integer(lines_.size());
    if (name == "text") return TValue::String(Text());
    if (name == "commatext") {
      TStringList comma(lines_);
      return TValue::String(comma.DelimitedText());
    }
    if (name == "delimitedtext") return TValue::String(DelimitedText());
    if (name == "delimiter") return TValue::String(std::string(1, delimiter_));
    if (name == "strictdelimiter") return TValue::Boolean(strictDelimiter_);
    if (name == "sorted") return TValue::Boolean(sorted_);
    if (name == "duplicates") return TValue::Integer(static_cast<int64_t>(duplicates_));
    return std::nullopt;
  }
  if (indexes.size() != 1) return std::nullopt;
  if (name == "strings") return TValue::String(lines_[CheckedIndex(indexes[0])]);
  if (name == "names") return TValue::String(NameOf(lines_[CheckedIndex(indexes[0])]));
  if (name == "valuefromindex") return TValue::String(ValueOf(lines_[CheckedIndex(indexes[0])]));
  if (name == "values") {
    int index = IndexOfName(StringArg(indexes[0]));
    return TValue::String(index < 0 ? std::string() : ValueOf(lines_[static_cast<size_t>(index)]));
  }
  return std::nullopt;
}

bool TStringList::SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) {
  if (indexes.empty()) {
    if (name == "text") {
      SetText(StringArg(value));
    } else if (name == "commatext") {
      TStringList comma;
      comma.SetDelimitedText(StringArg(value));
      ClearLines();
      for (const auto& line : comma.lines_) Add(line);
    } else if (name == "delimitedtext") {
      SetDelimitedText(StringArg(value));
    } else if (name == "delimiter") {
      delimiter_ = CharArg(value);
    } else if (name == "strictdelimiter") {
      strictDelimiter_ = BooleanArg(value);
    } else if (name == "sorted") {
      sorted_ = BooleanArg(value);
      if (sorted_) Sort();
    } else if (name == "duplicates") {
      int64_t mode = IntegerArg(value);
      if (mode < 0 || mode > 2) throw TBuiltinError(TErrorCode::kRangeError, "Range check error");
      duplicates_ = static_cast<TDuplicates>(mode);
    } else {
      return false;
    }
    return true;
  }
  if (indexes.size() != 1) return false;
  if (name == "strings") {
    size_t index = CheckedIndex(indexes[0]);
    CheckUnsorted();
    ReplaceLine(index, StringArg(value));
    return true;
  }
  if (name == "values") {
    const std::string& key = StringArg(indexes[0]);
    std::string line = key + "=" + StringArg(value);
    int index = IndexOfName(key);
    if (index < 0) {
      Add(line);
    } else {
      CheckUnsorted();
      ReplaceLine(static_cast<size_t>(index), line);
    }
    return true;
  }
  return false;
}

std::optional<TValue> TStringList::CallMethod(const std::string& name, const std::vector<TValue>& args) {
  if (name == "add") {
    CountArgs(args, 1, "Add");
    return TValue::Integer(Add(StringArg(args[0])));
  }
  if (name == "delete") {
    CountArgs(args, 1, "Delete");
    EraseLine(CheckedIndex(args[0]));
    return TValue();
  }
  if (name == "insert") {
    CountArgs(args, 2, "Insert");
    int64_t index = IntegerArg(args[0]);
    const std::string& line = StringArg(args[1]);
    CheckUnsorted();
    if (index < 0 || index > static_cast<int64_t>(lines_.size()))
      throw TBuiltinError(TErrorCode::kRangeError, "List index (" + std::to_string(index) + ") out of bounds", kListError);
    InsertLine(static_cast<size_t>(index), line);
    return TValue();
  }
  if (name == "clear") {
    CountArgs(args, 0, "Clear");
    ClearLines();
    return TValue();
  }
  if (name == "exchange") {
    CountArgs(args, 2, "Exchange");
    std::swap(lines_[CheckedIndex(args[0])], lines_[CheckedIndex(args[1])]);
    return TValue();
  }
  if (name == "indexof") {
    CountArgs(args, 1, "IndexOf");
    return TValue::Integer(IndexOf(StringArg(args[0])));
  }
  if (name == "indexofname") {
    CountArgs(args, 1, "IndexOfName");
    return TValue::Integer(IndexOfName(StringArg(args[0])));
  }
  if (name == "sort") {
    CountArgs(args, 0, "Sort");
    Sort();
    return TValue();
  }
  if (name == "loadfromfile") {
    CountArgs(args, 1, "LoadFromFile");
    LoadFromFile(StringArg(args[0]));
    return TValue();
  }
  if (name == "savetofile") {
    CountArgs(args, 1, "SaveToFile");
    SaveToFile(StringArg(args[0]));
    return TValue();
  }
  return std::nullopt;
}

}  // namespace varnelo::pascal
