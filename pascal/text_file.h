#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// An input/output failure with Free Pascal's number and message ("File not found" is 2); the
// interpreter raises it as EInOutError.
class TInOutError : public std::runtime_error {
 public:
  explicit TInOutError(int number);
  int number;
};

// The state of a TextFile variable: its name, and the open stream once Reset, Rewrite or Append ran.
// Lines are written with LF; reading takes CR LF, LF or CR as a line end.
class TTextFile : public TNativeObject {
 public:
  std::string ClassName() const override { return "TextFile"; }
  std::optional<TValue> GetProperty(const std::string&, const std::vector<TValue>&) override { return std::nullopt; }
  bool SetProperty(const std::string&, const std::vector<TValue>&, const TValue&) override { return false; }
  std::optional<TValue> CallMethod(const std::string&, const std::vector<TValue>&) override { return std::nullopt; }
  bool HasMember(const std::string&) const override { return false; }

  void Assign(std::string path);
  void Reset();
  void Rewrite();
  void Append();
  void Close();

  void Write(const std::string& text);
  // ReadLn: the rest of the line, whose end is consumed.
  std::string ReadLine();
  // Read into a string: the rest of the line, whose end stays.
  std::string ReadRestOfLine();
  // Read into a Char: the next byte as it is, #26 at the end.
  char ReadChar();
  // Read into a number: the next word after blanks and line ends; empty at the end.
  std::string ReadWord();
  bool Eof();
  // True at a line end or at the end of the file.
  bool Eoln();

 private:
  enum class TMode { kClosed, kInput, kOutput };
  struct TCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  void Open(const char* how, TMode mode);
  void RequireInput();
  int Peek();

  std::string path_;
  bool assigned_ = false;
  TMode mode_ = TMode::kClosed;
  std::unique_ptr<std::FILE, TCloser> file_;
};

// The EInOutError exception object a script catches for error (Message, ErrorCode).
TValue InOutException(const TInOutError& error);

// The file a TextFile value holds; null for any other value.
TTextFile* AsTextFile(const TValue& value);

}  // namespace varnelo::pascal
