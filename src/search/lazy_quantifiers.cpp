#include "search/lazy_quantifiers.h"

#include <algorithm>
#include <cctype>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace varnelo::search {
namespace {

constexpr std::string_view kBraceCharacters = "0123456789, \t";

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsExtendedBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Whether the library takes `braces` ("{...}") after an item for a counted quantifier rather than
// literal text: compiled after "a", a literal brace text matches itself, a quantifier does not.
bool LibraryTakesForQuantifier(std::string_view braces) {
  const std::string pattern = "^a" + std::string(braces) + "$";
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code =
      pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0, &error, &offset, nullptr);
  if (code == nullptr) return true;  // a faulty quantifier, such as {3,1}, is a quantifier all the same
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  const std::string subject = "a" + std::string(braces);
  const int rc = data == nullptr ? -1
                                 : pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(),
                                               0, 0, data, nullptr);
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  return rc < 0;
}

class TRewriter {
public:
  TRewriter(std::string_view pattern, bool extended) : p_(pattern), extended_(extended) {}

  TLazyPattern Run() {
    while (i_ < p_.size()) Step();
    return std::move(result_);
  }

private:
  char At(size_t index) const { return index < p_.size() ? p_[index] : '\0'; }

  void Copy(size_t count) {
    count = std::min(count, p_.size() - i_);
    result_.pattern.append(p_.substr(i_, count));
    i_ += count;
  }
  // Copies up to and including the first `close` at or after `from`, or to the end.
  void CopyThrough(char close, size_t from) {
    const size_t end = p_.find(close, from);
    Copy(end == std::string_view::npos ? p_.size() - i_ : end + 1 - i_);
  }

  void Step() {
    const char c = p_[i_];
    if (extended_ && IsExtendedBlank(c)) return Copy(1);
    if (extended_ && c == '#') return CopyThrough('\n', i_);
    switch (c) {
      case '\\': return Escape();
      case '[': return CharacterClass();
      case '(': return GroupOpen();
      case ')':
        if (!outer_.empty()) {
          extended_ = outer_.back();
          outer_.pop_back();
        }
        return Copy(1);
      case '*':
      case '+':
      case '?':
        Copy(1);
        return Lazify();
      case '{':
        if (const size_t length = CountedQuantifierLength(); length > 0) {
          Copy(length);
          return Lazify();
        }
        return Copy(1);
      default:
        return Copy(1);
    }
  }

  // Length of a counted quantifier starting at i_, or 0 when the brace is literal.
  size_t CountedQuantifierLength() const {
    const size_t close = p_.find('}', i_ + 1);
    if (close == std::string_view::npos) return 0;
    const std::string_view braces = p_.substr(i_, close + 1 - i_);
    if (braces.substr(1, braces.size() - 2).find_first_not_of(kBraceCharacters) != std::string_view::npos) return 0;
    if (braces.size() > 64 || !LibraryTakesForQuantifier(braces)) return 0;
    return braces.size();
  }

  // Length of what the library skips between a quantifier and its "?" or "+": comments, empty
  // \Q\E, a lone \E, and blanks and # comments in extended syntax.
  size_t IgnorableLength(size_t at) const {
    if (p_.substr(at, 3) == "(?#") {
      const size_t end = p_.find(')', at);
      return end == std::string_view::npos ? 0 : end + 1 - at;
    }
    if (p_.substr(at, 4) == "\\Q\\E") return 4;
    if (p_.substr(at, 2) == "\\E") return 2;
    if (extended_ && at < p_.size() && IsExtendedBlank(p_[at])) return 1;
    if (extended_ && At(at) == '#') {
      const size_t end = p_.find('\n', at);
      return end == std::string_view::npos ? p_.size() - at : end + 1 - at;
    }
    return 0;
  }

  // Called after a quantifier: keeps one already lazy or possessive, else makes it lazy.
  void Lazify() {
    size_t next = i_;
    while (const size_t skip = IgnorableLength(next)) next += skip;
    if (At(next) == '?' || At(next) == '+') return Copy(next + 1 - i_);
    result_.inserted.push_back(result_.pattern.size());
    result_.pattern.push_back('?');
  }

  void Escape() {
    const char kind = At(i_ + 1);
    if (kind == 'Q') {
      const size_t end = p_.find("\\E", i_ + 2);
      return Copy(end == std::string_view::npos ? p_.size() - i_ : end + 2 - i_);
    }
    if (kind == 'c') return Copy(3);
    const char open = At(i_ + 2);
    const bool braced = std::string_view("xopPgk").find(kind) != std::string_view::npos && open == '{';
    const bool namedReference = (kind == 'g' || kind == 'k') && (open == '<' || open == '\'');
    const bool codePoint = kind == 'N' && p_.substr(i_ + 2, 3) == "{U+";
    if (braced || codePoint) return CopyThrough('}', i_ + 3);
    if (namedReference) return CopyThrough(open == '<' ? '>' : '\'', i_ + 3);
    Copy(2);
  }

  void CharacterClass() {
    Copy(1);
    if (At(i_) == '^') Copy(1);
    if (At(i_) == ']') Copy(1);
    while (i_ < p_.size()) {
      const char c = p_[i_];
      if (c == '\\') {
        if (At(i_ + 1) == 'Q') {
          Escape();
        } else {
          Copy(2);
        }
      } else if (c == '[' && PosixClassLength() > 0) {
        Copy(PosixClassLength());
      } else if (c == ']') {
        return Copy(1);
      } else {
        Copy(1);
      }
    }
  }

  // Length of "[:name:]" (or "[.name.]", "[=name=]") at i_, or 0.
  size_t PosixClassLength() const {
    const char mark = At(i_ + 1);
    if (mark != ':' && mark != '.' && mark != '=') return 0;
    size_t at = i_ + 2;
    if (At(at) == '^') ++at;
    while (IsLetter(At(at))) ++at;
    return At(at) == mark && At(at + 1) == ']' ? at + 2 - i_ : 0;
  }

  void OpenGroup(size_t introLength) {
    outer_.push_back(extended_);
    Copy(introLength);
  }

  void GroupOpen() {
    const char first = At(i_ + 1);
    if (first == '*') return Verb();
    if (first != '?') return OpenGroup(1);
    const size_t at = i_ + 2;
    const char c = At(at);
    if (c == '#') return CopyThrough(')', at);
    if (c == ':' || c == '|' || c == '>' || c == '=' || c == '!') return OpenGroup(3);
    if (c == '<' && (At(at + 1) == '=' || At(at + 1) == '!')) return OpenGroup(4);
    if (c == '<' || c == '\'') {
      outer_.push_back(extended_);
      return CopyThrough(c == '<' ? '>' : '\'', at + 1);
    }
    if (c == 'P' && At(at + 1) == '<') {
      outer_.push_back(extended_);
      return CopyThrough('>', at + 2);
    }
    if (c == 'P' || c == 'R' || c == '&' || IsDigit(c) || ((c == '+' || c == '-') && IsDigit(At(at + 1)))) {
      return CopyThrough(')', at);  // a back reference or a call: an item of its own
    }
    if (c == 'C') return Callout(at + 1);
    if (c == '(') return Condition(at);
    OptionSetting(at);
  }

  // (*VERB) and start-of-pattern settings are written in capitals and end at ")"; the lower-case
  // names are assertions whose body follows ":".
  void Verb() {
    size_t at = i_ + 2;
    while (IsLetter(At(at)) || At(at) == '_') ++at;
    const std::string_view name = p_.substr(i_ + 2, at - (i_ + 2));
    const bool assertion = !name.empty() && std::islower(static_cast<unsigned char>(name.front())) && At(at) == ':';
    if (assertion) return OpenGroup(at + 1 - i_);
    CopyThrough(')', at);
  }

  void Callout(size_t at) {
    constexpr std::string_view kDelimiters = "`'\"^%#${";
    const char open = At(at);
    if (open != '\0' && kDelimiters.find(open) != std::string_view::npos) {
      const char close = open == '{' ? '}' : open;
      size_t end = at + 1;
      // A doubled delimiter stands for itself inside the string.
      while (end < p_.size() && !(p_[end] == close && At(end + 1) != close)) end += p_[end] == close ? 2 : 1;
      return CopyThrough(')', end + 1);
    }
    CopyThrough(')', at);
  }

  // (?(condition)...): a reference condition is copied whole; an assertion condition is scanned as
  // the group it is.
  void Condition(size_t at) {
    outer_.push_back(extended_);
    Copy(at - i_);
    if (At(at + 1) == '?' || At(at + 1) == '*') return;
    CopyThrough(')', at);
  }

  // (?imsx-imsx) for the rest of the group, (?imsx-imsx:...) for a group of its own; anything else
  // is left for the library to reject.
  void OptionSetting(size_t at) {
    bool extended = extended_;
    bool unset = false;
    size_t end = at;
    for (; end < p_.size(); ++end) {
      const char c = p_[end];
      if (c == '^') {
        extended = false;
      } else if (c == '-') {
        unset = true;
      } else if (c == 'x') {
        extended = !unset;
      } else if (!IsLetter(c)) {
        break;
      }
    }
    const char close = At(end);
    if (close == ')') {
      extended_ = extended;
      return Copy(end + 1 - i_);
    }
    outer_.push_back(extended_);
    if (close == ':') extended_ = extended;
    Copy(close == ':' ? end + 1 - i_ : 2);
  }

  std::string_view p_;
  size_t i_ = 0;
  bool extended_;
  std::vector<bool> outer_;  // the extended setting to restore at each open group's ")"
  TLazyPattern result_;
};

}  // namespace

size_t TLazyPattern::OriginalOffset(size_t offset) const {
  const auto before = std::lower_bound(inserted.begin(), inserted.end(), offset) - inserted.begin();
  return offset - static_cast<size_t>(before);
}

TLazyPattern MakeQuantifiersLazy(std::string_view pattern, bool extended) {
  return TRewriter(pattern, extended).Run();
}

}  // namespace varnelo::search
