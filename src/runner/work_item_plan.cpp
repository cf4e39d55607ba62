#include "runner/work_item_plan.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "config/work_item.h"
#include "platform/word_collator.h"

namespace varnelo::runner {
namespace {

bool KnownState(std::string_view state) {
  return state == config::kProcessing || state == config::kNotProcessing || state == config::kProcessingDone;
}

// The first position of each entry of a list, by its text without regard to case.
class TEntryPositions {
public:
  explicit TEntryPositions(const std::vector<std::string>& list) {
    for (size_t i = 0; i < list.size(); ++i) positions_.try_emplace(collator_.Folded(list[i]), i);
  }
  std::optional<size_t> Find(std::string_view entry) {
    const auto found = positions_.find(collator_.Folded(entry));
    if (found == positions_.end()) return std::nullopt;
    return found->second;
  }

private:
  platform::TWordCollator collator_;
  std::unordered_map<std::u16string, size_t> positions_;
};

}  // namespace

TResumePlan PlanResume(const std::vector<std::string>& list, const std::vector<TStoredItem>& items, size_t count) {
  TResumePlan plan;
  TEntryPositions positions(list);
  for (const auto& [key, value] : items) {
    if (plan.resumed.size() >= count) break;
    const auto item = config::ParseWorkItem(value);
    if (!item || !KnownState(item->state)) continue;
    const auto current = positions.Find(item->current);
    const auto last = positions.Find(item->last);
    if (!current || !last) continue;
    plan.nextRangeStart = *last + 1;
    if (item->state != config::kNotProcessing || *current > *last) continue;
    plan.resumed.push_back({key, item->first, {list.begin() + *current, list.begin() + *last + 1}});
  }
  return plan;
}

std::vector<std::string> TakeRange(const std::vector<std::string>& list, size_t start, size_t size) {
  if (start >= list.size()) return {};
  const size_t end = std::min(list.size(), start + size);
  return {list.begin() + start, list.begin() + end};
}

}  // namespace varnelo::runner
