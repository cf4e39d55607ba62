#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace varnelo::runner {

// One stored work item key and its value, in the order of the robot's section.
using TStoredItem = std::pair<std::string, std::string>;

// An interrupted item to start again: the entries from its current one to its last one.
struct TResumedItem {
  std::string key;
  std::string first;  // the stored first field
  std::vector<std::string> entries;
};

struct TResumePlan {
  std::vector<TResumedItem> resumed;
  // Where the next new range begins: just after the last entry of the last item examined.
  size_t nextRangeStart = 0;
};

// The resume pass of a dividing start over `items` (the keys of this list's items, in file order):
// items are examined while fewer than `count` were resumed; a "not_processing" one is resumed. Entries
// are found in `list` by their text without regard to case (first equal line). An item whose current
// or last entry is not in the list cannot be placed and is passed over.
TResumePlan PlanResume(const std::vector<std::string>& list, const std::vector<TStoredItem>& items, size_t count);

// Up to `size` entries of `list` from `start`.
std::vector<std::string> TakeRange(const std::vector<std::string>& list, size_t start, size_t size);

}  // namespace varnelo::runner
