#include "pascal/text_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace varnelo::pascal {

namespace {

constexpr int kEndOfFileChar = 26;

std::string InOutMessage(int number) {
  switch (number) {
    case 2: return "File not found";
    case 3: return "Path not found";
    case 4: return "Too many open files";
    case 5: return "Access denied";
    case 100: return "Disk read error";
    case 101: return "Disk write error";
    case 102: return "File not assigned";
    case 103: return "File not open";
    case 104: return "File not open for input";
    case 105: return "File not open for output";
    case 106: return "Invalid input";
    default: return "I/O error " + std::to_string(number);
  }
}

int NumberOfErrno(int error) {
  switch (error) {
    case ENOENT: case ENOTDIR: case ENAMETOOLONG: case ELOOP: return 2;
    case EMFILE: case ENFILE: return 4;
    default: return 5;
  }
}

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

TInOutError::TInOutError(int number) : std::runtime_error(InOutMessage(number)), number(number) {}

TValue InOutException(const TInOutError& error) {
  auto object = std::make_shared<TObjectData>();
  object->className = "EInOutError";
  object->properties["message"] = TValue::String(error.what());
  object->properties["errorcode"] = TValue::Integer(error.number);
  return TValue::Object(object);
}

TTextFile* AsTextFile(const TValue& value) {
  if (value.Kind() != TValueKind::kObject || !value.AsObject()) return nullptr;
  return dynamic_cast<TTextFile*>(value.AsObject()->native.get());
}

void TTextFile::Assign(std::string path) {
  file_.reset();
  mode_ = TMode::kClosed;
  path_ = std::move(path);
  assigned_ = true;
}

void TTextFile::Open(const char* how, TMode mode) {
  if (!assigned_) throw TInOutError(102);
  file_.reset();
  mode_ = TMode::kClosed;
  // A directory opens for reading on Linux, and only fails later; refuse it as access denied.
  struct stat status {};
  if (::stat(path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) throw TInOutError(5);
  std::FILE* file = std::fopen(path_.c_str(), how);
  if (!file) throw TInOutError(NumberOfErrno(errno));
  file_.reset(file);
  mode_ = mode;
}

void TTextFile::Reset() { Open("rb", TMode::kInput); }

void TTextFile::Rewrite() { Open("wb", TMode::kOutput); }

void TTextFile::Append() {
  if (!assigned_) throw TInOutError(102);
  // Append needs an existing file.
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0) throw TInOutError(NumberOfErrno(errno));
  Open("ab", TMode::kOutput);
}

void TTextFile::Close() {
  if (mode_ == TMode::kClosed) {
    if (assigned_ || file_) throw TInOutError(103);
    throw TInOutError(102);
  }
  bool failed = mode_ == TMode::kOutput && std::fflush(file_.get()) != 0;
  file_.reset();
  mode_ = TMode::kClosed;
  if (failed) throw TInOutError(101);
}

void TTextFile::Write(const std::string& text) {
  if (mode_ == TMode::kClosed) throw TInOutError(103);
  if (mode_ != TMode::kOutput) throw TInOutError(105);
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size()) throw TInOutError(101);
}

void TTextFile::RequireInput() {
  if (mode_ == TMode::kClosed) throw TInOutError(103);
  if (mode_ != TMode::kInput) throw TInOutError(104);
}

int TTextFile::Peek() {
  int c = std::getc(file_.get());
  if (c == EOF) {
    if (std::ferror(file_.get())) throw TInOutError(100);
    return EOF;
  }
  std::ungetc(c, file_.get());
  return c;
}

std::string TTextFile::ReadRestOfLine() {
  RequireInput();
  std::string line;
  for (int c = Peek(); c != EOF && c != '\n' && c != '\r'; c = Peek()) line += static_cast<char>(std::getc(file_.get()));
  return line;
}

std::string TTextFile::ReadLine() {
  std::string line = ReadRestOfLine();
  int c = std::getc(file_.get());
  if (c == '\r' && Peek() == '\n') std::getc(file_.get());
  return line;
}

char TTextFile::ReadChar() {
  RequireInput();
  int c = std::getc(file_.get());
  if (c == EOF) {
    if (std::ferror(file_.get())) throw TInOutError(100);
    return static_cast<char>(kEndOfFileChar);
  }
  return static_cast<char>(c);
}

std::string TTextFile::ReadWord() {
  RequireInput();
  int c = Peek();
  while (c != EOF && IsBlank(c)) {
    std::getc(file_.get());
    c = Peek();
  }
  std::string word;
  for (; c != EOF && !IsBlank(c); c = Peek()) word += static_cast<char>(std::getc(file_.get()));
  return word;
}

bool TTextFile::Eoln() {
  RequireInput();
  int c = Peek();
  return c == EOF || c == '\n' || c == '\r';
}

bool TTextFile::Eof() {
  RequireInput();
  return Peek() == EOF;
}

}  // namespace varnelo::pascal
