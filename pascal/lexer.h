#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::pascal {

enum class TTokenKind { kIdentifier, kInteger, kReal, kString, kSymbol, kEnd };

struct TToken {
  TTokenKind kind = TTokenKind::kEnd;
  std::string text;   // identifiers in lower case; symbols as written; strings decoded
  std::string original;  // identifiers as written
  int64_t integer = 0;
  double real = 0;
  int line = 1;
  int column = 1;
};

// Splits source text into tokens. Identifiers and keywords are case-insensitive, so they come out in
// lower case. Throws TScriptError (syntax) on a malformed token.
class TLexer {
 public:
  explicit TLexer(std::string_view source);
  std::vector<TToken> Tokenize();

 private:
  char Peek(size_t ahead = 0) const;
  void Advance();
  void SkipBlanksAndComments();
  TToken ReadNumber();
  TToken ReadString();
  TToken ReadIdentifier();
  TToken ReadSymbol();
  [[noreturn]] void Fail(const std::string& text) const;

  std::string_view source_;
  size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
};

}  // namespace varnelo::pascal
