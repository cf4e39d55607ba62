#include "config/ini_text.h"

#include <algorithm>
#include <unordered_map>

#include "base/text.h"

namespace varnelo::config {
namespace {

constexpr std::string_view kNewLine = "\r\n";

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

TIniText::TIniText(std::string text) : text_(std::move(text)) {
  lines_.reserve(static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1);
  for (size_t begin = 0; begin < text_.size(); begin = lines_.back().next) lines_.push_back(ReadLine(begin));
}

TIniText::TLine TIniText::ReadLine(size_t begin) const {
  const std::string_view all(text_);
  TLine line;
  line.begin = begin;
  // Two vectorised scans: find_first_of with a two-byte set costs one memchr per byte.
  const size_t lf = std::min(all.find('\n', begin), all.size());
  line.end = std::min(all.substr(0, lf).find('\r', begin), lf);
  line.next = line.end;
  if (line.next < all.size()) line.next += all.substr(line.next, 2) == kNewLine ? 2 : 1;

  const std::string_view raw = Content(line);
  const std::string_view content = base::TrimBlanks(raw);
  if (!content.empty() && content.front() == '[') {
    line.kind = TKind::Section;
    line.name = base::TrimBlanks(content.substr(1, content.find(']') - 1));  // no "]": the rest of the line
  } else if (const size_t equals = raw.find('='); equals != std::string_view::npos) {
    line.kind = TKind::Key;
    line.keyText = raw.substr(0, equals);
    line.name = base::TrimBlanks(line.keyText);
    line.value = base::TrimBlanks(raw.substr(equals + 1));
  }
  return line;
}

std::optional<TIniText::TSpan> TIniText::FindSection(std::string_view section) const {
  const std::string_view wanted = base::TrimBlanks(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != TKind::Section || !SameName(lines_[i].name, wanted)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && lines_[end].kind != TKind::Section) ++end;
    return TSpan{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> TIniText::FindKey(TSpan span, std::string_view key) const {
  const std::string_view wanted = base::TrimBlanks(key);
  for (size_t i = span.header + 1; i < span.end; ++i) {
    if (lines_[i].kind == TKind::Key && SameName(lines_[i].name, wanted)) return i;
  }
  return std::nullopt;
}

std::vector<std::string_view> TIniText::SectionNames() const {
  std::vector<std::string_view> names;
  for (const TLine& line : lines_) {
    if (line.kind == TKind::Section) names.push_back(line.name);
  }
  return names;
}

std::vector<TIniText::TKey> TIniText::Keys(std::string_view section) const {
  std::vector<TKey> keys;
  const auto span = FindSection(section);
  if (!span) return keys;
  // One pass, remembering the first value of each name, so that a listing stays linear.
  std::unordered_map<std::string, std::string_view> firstValues;
  for (size_t i = span->header + 1; i < span->end; ++i) {
    // A key with an empty name cannot be read back, so it is not listed.
    if (lines_[i].kind != TKind::Key || lines_[i].name.empty()) continue;
    std::string folded(lines_[i].name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldAscii);
    const auto first = firstValues.try_emplace(std::move(folded), lines_[i].value).first;
    keys.push_back({lines_[i].name, first->second});
  }
  return keys;
}

std::optional<std::string_view> TIniText::Value(std::string_view section, std::string_view key) const {
  const auto span = FindSection(section);
  if (!span) return std::nullopt;
  const auto line = FindKey(*span, key);
  if (!line) return std::nullopt;
  return lines_[*line].value;
}

std::string_view TIniText::Content(const TLine& line) const {
  return std::string_view(text_).substr(line.begin, line.end - line.begin);
}

std::string_view TIniText::LineEnd(size_t line) const {
  const TLine& l = lines_[line];
  return std::string_view(text_).substr(l.end, l.next - l.end);
}

std::string TIniText::Splice(size_t fromLine, size_t toLine, std::string_view replacement) const {
  const size_t from = fromLine < lines_.size() ? lines_[fromLine].begin : text_.size();
  const size_t to = toLine < lines_.size() ? lines_[toLine].begin : text_.size();
  std::string result;
  result.reserve(text_.size() + replacement.size() + kNewLine.size());
  result.append(text_, 0, from);
  result.append(replacement);
  result.append(text_, to, std::string::npos);
  return result;
}

std::string TIniText::WithValue(std::string_view section, std::string_view key, std::string_view value) const {
  const auto span = FindSection(section);
  if (!span) {
    // New section at the end of the file, after a line end for an unterminated last line.
    std::string tail;
    if (!lines_.empty() && LineEnd(lines_.size() - 1).empty()) tail += kNewLine;
    tail.append("[").append(section).append("]").append(kNewLine);
    tail.append(key).append("=").append(value).append(kNewLine);
    return text_ + tail;
  }
  if (const auto line = FindKey(*span, key)) {
    // Replace the value in place, keeping the key as written and the line's own line end.
    std::string replacement(lines_[*line].keyText);
    replacement.append("=").append(value).append(LineEnd(*line));
    return Splice(*line, *line + 1, replacement);
  }
  // New key after the section's last non-blank line.
  size_t last = span->end - 1;
  while (last > span->header && base::TrimBlanks(Content(lines_[last])).empty()) --last;
  std::string replacement(Content(lines_[last]));
  replacement.append(LineEnd(last).empty() ? kNewLine : LineEnd(last));
  replacement.append(key).append("=").append(value).append(kNewLine);
  return Splice(last, last + 1, replacement);
}

std::string TIniText::WithoutSection(std::string_view section) const {
  const auto span = FindSection(section);
  return span ? Splice(span->header, span->end, {}) : text_;
}

std::string TIniText::WithoutKey(std::string_view section, std::string_view key) const {
  const auto span = FindSection(section);
  const auto line = span ? FindKey(*span, key) : std::nullopt;
  return line ? Splice(*line, *line + 1, {}) : text_;
}

}  // namespace varnelo::config
