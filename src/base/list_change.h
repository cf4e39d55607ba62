#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace varnelo::base {

// What happened to the rows of a list, so that a view redraws only those: `count` rows inserted,
// removed or changed from row `first` on (rows of the list as it is after the change, for an
// insertion or a change; as it was before, for a removal), or the whole list to be read again.
struct TListChange {
  enum class TKind { Inserted, Removed, Changed, Reset };

  TKind kind = TKind::Reset;
  size_t first = 0;
  size_t count = 0;

  static constexpr TListChange Inserted(size_t first, size_t count = 1) { return {TKind::Inserted, first, count}; }
  static constexpr TListChange Removed(size_t first, size_t count = 1) { return {TKind::Removed, first, count}; }
  static constexpr TListChange Changed(size_t first, size_t count = 1) { return {TKind::Changed, first, count}; }
  static constexpr TListChange Reset() { return {}; }

  bool operator==(const TListChange&) const = default;
};

// The change that turns `before` into `after`: nothing when they are equal; one inserted, removed
// or changed range when that is all that differs between them; a reset otherwise.
template <class T>
std::optional<TListChange> ListDifference(const std::vector<T>& before, const std::vector<T>& after) {
  if (before == after) return std::nullopt;
  const size_t shorter = std::min(before.size(), after.size());
  size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  if (before.size() == after.size()) return TListChange::Changed(prefix, after.size() - prefix - suffix);
  if (prefix + suffix == before.size()) return TListChange::Inserted(prefix, after.size() - before.size());
  if (prefix + suffix == after.size()) return TListChange::Removed(prefix, before.size() - after.size());
  return TListChange::Reset();
}

}  // namespace varnelo::base
