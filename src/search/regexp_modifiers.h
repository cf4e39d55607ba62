#pragma once

namespace varnelo::search {

// The six modifiers of a definition's regular expressions. g off makes every quantifier lazy; r (wider
// Cyrillic ranges) has no byte-level equivalent and is accepted without effect.
struct TRegExpModifiers {
  bool i = false;
  bool m = false;
  bool s = false;
  bool x = false;
  bool g = true;
  bool r = false;

  // The modifiers of the start, end and data expressions, whatever the definition's keys say.
  static constexpr TRegExpModifiers Fixed() { return {false, false, true, false, true, true}; }

  bool operator==(const TRegExpModifiers&) const = default;
};

}  // namespace varnelo::search
