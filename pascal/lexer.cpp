#include "pascal/lexer.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "pascal/errors.h"

namespace varnelo::pascal {

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

TLexer::TLexer(std::string_view source) : source_(source) {}

char TLexer::Peek(size_t ahead) const {
  return pos_ + ahead < source_.size() ? source_[pos_ + ahead] : '\0';
}

void TLexer::Advance() {
  if (pos_ >= source_.size()) return;
  if (source_[pos_] == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  ++pos_;
}

void TLexer::Fail(const std::string& text) const {
  throw TScriptError(TErrorCode::kSyntax, text, line_, column_);
}

void TLexer::SkipBlanksAndComments() {
  while (pos_ < source_.size()) {
    char c = Peek();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
      Advance();
    } else if (c == '{') {
      int line = line_, column = column_;
      while (pos_ < source_.size() && Peek() != '}') Advance();
      if (pos_ >= source_.size()) throw TScriptError(TErrorCode::kSyntax, "Unterminated comment", line, column);
      Advance();
    } else if (c == '(' && Peek(1) == '*') {
      int line = line_, column = column_;
      Advance();
      Advance();
      while (pos_ < source_.size() && !(Peek() == '*' && Peek(1) == ')')) Advance();
      if (pos_ >= source_.size()) throw TScriptError(TErrorCode::kSyntax, "Unterminated comment", line, column);
      Advance();
      Advance();
    } else if (c == '/' && Peek(1) == '/') {
      while (pos_ < source_.size() && Peek() != '\n') Advance();
    } else {
      return;
    }
  }
}

std::vector<TToken> TLexer::Tokenize() {
  std::vector<TToken> tokens;
  for (;;) {
    SkipBlanksAndComments();
    int line = line_, column = column_;
    TToken token;
    char c = Peek();
    if (pos_ >= source_.size()) {
      token.kind = TTokenKind::kEnd;
    } else if (IsDigit(c) || (c == '$' && IsHexDigit(Peek(1)))) {
      token = ReadNumber();
    } else if (c == '\'' || c == '#') {
      token = ReadString();
    } else if (IsIdentStart(c)) {
      token = ReadIdentifier();
    } else {
      token = ReadSymbol();
    }
    token.line = line;
    token.column = column;
    tokens.push_back(std::move(token));
    if (tokens.back().kind == TTokenKind::kEnd) return tokens;
  }
}

TToken TLexer::ReadNumber() {
  TToken token;
  std::string digits;
  if (Peek() == '$') {
    Advance();
    while (IsHexDigit(Peek())) {
      digits += Peek();
      Advance();
    }
    if (digits.size() > 16) Fail("Integer constant too large");
    token.kind = TTokenKind::kInteger;
    token.integer = static_cast<int64_t>(std::strtoull(digits.c_str(), nullptr, 16));
    token.text = "$" + digits;
    return token;
  }
  while (IsDigit(Peek())) {
    digits += Peek();
    Advance();
  }
  bool isReal = false;
  // "1..5" is a range, not a real.
  if (Peek() == '.' && IsDigit(Peek(1))) {
    isReal = true;
    digits += '.';
    Advance();
    while (IsDigit(Peek())) {
      digits += Peek();
      Advance();
    }
  }
  if ((Peek() == 'e' || Peek() == 'E') &&
      (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
    isReal = true;
    digits += 'e';
    Advance();
    if (Peek() == '+' || Peek() == '-') {
      digits += Peek();
      Advance();
    }
    while (IsDigit(Peek())) {
      digits += Peek();
      Advance();
    }
  }
  token.text = digits;
  if (isReal) {
    token.kind = TTokenKind::kReal;
    token.real = std::strtod(digits.c_str(), nullptr);
    return token;
  }
  errno = 0;
  unsigned long long value = std::strtoull(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || value > static_cast<unsigned long long>(INT64_MAX)) {
    // Too large for Int64: the language reads it as a real.
    token.kind = TTokenKind::kReal;
    token.real = std::strtod(digits.c_str(), nullptr);
    return token;
  }
  token.kind = TTokenKind::kInteger;
  token.integer = static_cast<int64_t>(value);
  return token;
}

TToken TLexer::ReadString() {
  TToken token;
  token.kind = TTokenKind::kString;
  for (;;) {
    if (Peek() == '\'') {
      Advance();
      for (;;) {
        if (pos_ >= source_.size() || Peek() == '\n') Fail("Unterminated string");
        if (Peek() == '\'') {
          if (Peek(1) == '\'') {
            token.text += '\'';
            Advance();
            Advance();
            continue;
          }
          Advance();
          break;
        }
        token.text += Peek();
        Advance();
      }
    } else if (Peek() == '#') {
      Advance();
      std::string digits;
      int base = 10;
      if (Peek() == '$') {
        base = 16;
        Advance();
        while (IsHexDigit(Peek()) && digits.size() < 8) {
          digits += Peek();
          Advance();
        }
      } else {
        while (IsDigit(Peek()) && digits.size() < 8) {
          digits += Peek();
          Advance();
        }
      }
      if (digits.empty()) Fail("Character code expected");
      long code = std::strtol(digits.c_str(), nullptr, base);
      if (code > 255) Fail("Character code out of range");
      token.text += static_cast<char>(code);
    } else {
      return token;
    }
  }
}

TToken TLexer::ReadIdentifier() {
  TToken token;
  token.kind = TTokenKind::kIdentifier;
  while (IsIdentChar(Peek())) {
    token.original += Peek();
    token.text += static_cast<char>(std::tolower(static_cast<unsigned char>(Peek())));
    Advance();
  }
  return token;
}

TToken TLexer::ReadSymbol() {
  static const char* kTwoCharSymbols[] = {":=", "<=", ">=", "<>", ".."};
  TToken token;
  token.kind = TTokenKind::kSymbol;
  for (const char* symbol : kTwoCharSymbols) {
    if (Peek() == symbol[0] && Peek(1) == symbol[1]) {
      token.text = symbol;
      Advance();
      Advance();
      return token;
    }
  }
  static const std::string kSingle = "+-*/=<>()[].,;:^@";
  char c = Peek();
  if (kSingle.find(c) == std::string::npos) {
    std::string shown = std::isprint(static_cast<unsigned char>(c)) ? std::string(1, c) : "#" + std::to_string(static_cast<unsigned char>(c));
    Fail("Illegal character '" + shown + "'");
  }
  token.text = std::string(1, c);
  Advance();
  return token;
}

}  // namespace varnelo::pascal
