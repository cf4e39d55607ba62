#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::search {

// A pattern in which every greedy quantifier was made lazy by a "?" written after it.
struct TLazyPattern {
  std::string pattern;
  // Offsets in `pattern` of the inserted "?", ascending.
  std::vector<size_t> inserted;

  // The offset in the pattern as written that an offset in `pattern` stands for.
  size_t OriginalOffset(size_t offset) const;
};

// Writes "?" after every quantifier (*, +, ?, counted braces) that is not already lazy or possessive,
// leaving escapes, \Q...\E, character classes, comments and group syntax alone. `extended` is the x
// modifier the pattern starts with; inline (?x) settings are followed within their groups. Whether a
// brace is a quantifier is asked of the expression library, so that its version decides as it will
// when compiling.
TLazyPattern MakeQuantifiersLazy(std::string_view pattern, bool extended);

}  // namespace varnelo::search
