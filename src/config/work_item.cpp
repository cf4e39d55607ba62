#include "config/work_item.h"

#include "config/comma_list.h"

namespace varnelo::config {

std::string FormatWorkItem(const TWorkItem& item) {
  return item.first + "," + item.last + "," + item.current + "," + item.state;
}

std::optional<TWorkItem> ParseWorkItem(std::string_view value) {
  const auto fields = SplitCommaList(value);
  if (fields.size() < 4) return std::nullopt;
  return TWorkItem{fields[0], fields[1], fields[2], fields[3]};
}

std::string RandomQueryItemKey(int dictionary, int number) {
  return RandomQueryItemStem(dictionary) + std::to_string(number);
}

std::string RandomQueryItemStem(int dictionary) { return "thread" + std::to_string(dictionary) + "*"; }

std::string RandomQueryCounterKey(int dictionary) { return "nexthread" + std::to_string(dictionary); }

std::string SpecifiedPagesItemKey(int bookmarkFile, int number) {
  return SpecifiedPagesItemStem(bookmarkFile) + std::to_string(number);
}

std::string SpecifiedPagesCounterKey(int bookmarkFile) { return "nexturlthread" + std::to_string(bookmarkFile); }

std::string SpecifiedPagesItemStem(int bookmarkFile) { return "urlthread" + std::to_string(bookmarkFile) + "*"; }

bool IsRandomQueryItemKey(std::string_view key) { return key.substr(0, 6) == "thread"; }

void ResetInterruptedRandomQueryItems(const TConfigStore& store, std::string_view robot) {
  // One read of the section rather than one per key: start-up does this for every robot.
  for (const std::string& line : store.ReadSectionValues(robot)) {
    const size_t equals = line.find('=');  // key names hold no "="
    const std::string key = line.substr(0, equals);
    if (!IsRandomQueryItemKey(key)) continue;
    const std::string stored = line.substr(equals + 1);
    // A value of fewer than four fields names no resumable item and is kept as it is.
    auto item = ParseWorkItem(stored);
    if (!item || item->state == kProcessingDone) continue;
    item->state = kNotProcessing;
    const std::string reset = FormatWorkItem(*item);
    if (reset != stored) store.WriteString(robot, key, reset);
  }
}

}  // namespace varnelo::config
