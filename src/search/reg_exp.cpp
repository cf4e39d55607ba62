#include "search/reg_exp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>
#include <new>

#include "search/lazy_quantifiers.h"

namespace varnelo::search {
namespace {

struct TMatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using TMatchData = std::unique_ptr<pcre2_match_data, TMatchDataDeleter>;

uint32_t CompileOptions(const TRegExpModifiers& modifiers) {
  uint32_t options = 0;
  if (modifiers.i) options |= PCRE2_CASELESS;
  if (modifiers.m) options |= PCRE2_MULTILINE;
  if (modifiers.s) options |= PCRE2_DOTALL;
  if (modifiers.x) options |= PCRE2_EXTENDED;
  return options;
}

std::string ErrorText(int code) {
  std::array<PCRE2_UCHAR, 256> buffer{};
  const int length = pcre2_get_error_message(code, buffer.data(), buffer.size());
  if (length < 0) return "error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(length));
}

}  // namespace

void TRegExp::TCodeDeleter::operator()(pcre2_real_code_8* code) const { pcre2_code_free(code); }

std::variant<TRegExp, TRegExpCompileError> TRegExp::Compile(std::string_view pattern, TRegExpModifiers modifiers) {
  // The library's own ungreedy option would also turn quantifiers written lazy into greedy ones, so
  // "g off" rewrites the pattern instead.
  TLazyPattern compiled;
  if (modifiers.g) {
    compiled.pattern = std::string(pattern);
  } else {
    compiled = MakeQuantifiersLazy(pattern, modifiers.x);
  }
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(compiled.pattern.data()), compiled.pattern.size(),
                                   CompileOptions(modifiers), &error, &offset, nullptr);
  if (code == nullptr) return TRegExpCompileError{ErrorText(error), compiled.OriginalOffset(offset)};
  return TRegExp(TCode(code));
}

std::optional<TRegExp::TMatch> TRegExp::FindWithOptions(std::string_view subject, size_t from,
                                                        unsigned options) const {
  if (from > subject.size()) return std::nullopt;
  const TMatchData data(pcre2_match_data_create_from_pattern(code_.get(), nullptr));
  if (!data) throw std::bad_alloc();
  // Empty subjects still get a valid pointer, as the library asks.
  const char* bytes = subject.empty() ? "" : subject.data();
  const int rc = pcre2_match(code_.get(), reinterpret_cast<PCRE2_SPTR>(bytes), subject.size(), from, options,
                             data.get(), nullptr);
  // No match, and also a match that hit the library's limits: a line never stops the caller.
  if (rc < 0) return std::nullopt;
  const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(data.get());
  // \K in a lookahead can put the start after the end; the match then counts as empty.
  if (vector[0] > vector[1]) return TMatch{vector[1], vector[1]};
  return TMatch{vector[0], vector[1]};
}

std::optional<TRegExp::TMatch> TRegExp::Find(std::string_view subject, size_t from) const {
  return FindWithOptions(subject, from, 0);
}

std::vector<std::string> TRegExp::FindAll(std::string_view subject) const {
  std::vector<std::string> matches;
  size_t from = 0;
  bool lastWasEmpty = false;
  while (from <= subject.size()) {
    std::optional<TMatch> match;
    if (lastWasEmpty) {
      // After an empty match, first try a non-empty one at the same place, then move on one byte.
      match = FindWithOptions(subject, from, PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED);
      if (!match) {
        ++from;
        lastWasEmpty = false;
        continue;
      }
    } else {
      match = Find(subject, from);
      if (!match) break;
    }
    matches.emplace_back(subject.substr(match->begin, match->end - match->begin));
    lastWasEmpty = match->end == match->begin;
    from = match->end;
  }
  return matches;
}

}  // namespace varnelo::search
