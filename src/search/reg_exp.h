#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "search/regexp_modifiers.h"

struct pcre2_real_code_8;

namespace varnelo::search {

// Why an expression did not compile, and where in the expression as written (byte offset).
struct TRegExpCompileError {
  std::string reason;
  size_t position = 0;
};

// A compiled Perl-compatible expression over bytes (no UTF mode). Immutable once compiled, so that
// several threads may match with it at once.
class TRegExp {
public:
  static std::variant<TRegExp, TRegExpCompileError> Compile(std::string_view pattern, TRegExpModifiers modifiers);

  struct TMatch {
    size_t begin = 0;
    size_t end = 0;
  };
  // The first match that starts at or after `from`.
  std::optional<TMatch> Find(std::string_view subject, size_t from = 0) const;
  bool Matches(std::string_view subject) const { return Find(subject).has_value(); }
  // The whole text of every match: the first, then each next one after the end of the previous; an
  // empty match never stops the walk.
  std::vector<std::string> FindAll(std::string_view subject) const;

private:
  struct TCodeDeleter {
    void operator()(pcre2_real_code_8* code) const;
  };
  using TCode = std::unique_ptr<pcre2_real_code_8, TCodeDeleter>;

  explicit TRegExp(TCode code) : code_(std::move(code)) {}
  std::optional<TMatch> FindWithOptions(std::string_view subject, size_t from, unsigned options) const;

  TCode code_;
};

}  // namespace varnelo::search
