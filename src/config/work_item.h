#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/config_store.h"

namespace varnelo::config {

// States of a work item.
inline constexpr std::string_view kProcessing = "processing";
inline constexpr std::string_view kNotProcessing = "not_processing";
inline constexpr std::string_view kProcessingDone = "processingdone";

// One worker's share of a dividing run, stored as first,last,current,state.
struct TWorkItem {
  std::string first;
  std::string last;
  std::string current;
  std::string state;

  bool operator==(const TWorkItem&) const = default;
};

std::string FormatWorkItem(const TWorkItem& item);
// The first four fields of a stored value; fewer than four gives nothing. Entries holding "," split
// into more fields, and then the fourth field still counts as the state.
std::optional<TWorkItem> ParseWorkItem(std::string_view value);

// Keys of a random query robot's items, numbered by its dictionary D: thread<D>*<N>, nexthread<D>.
std::string RandomQueryItemKey(int dictionary, int number);
std::string RandomQueryCounterKey(int dictionary);
// What every item key of dictionary D begins with: thread<D>*.
std::string RandomQueryItemStem(int dictionary);
// Keys of a specified-pages robot's items, numbered by its bookmark file F: urlthread<F>*<N>,
// nexturlthread<F>. Every item key of file F contains SpecifiedPagesItemStem(F).
std::string SpecifiedPagesItemKey(int bookmarkFile, int number);
std::string SpecifiedPagesCounterKey(int bookmarkFile);
std::string SpecifiedPagesItemStem(int bookmarkFile);

// Whether a key of a robot section is a random query work item: its first six characters are "thread".
bool IsRandomQueryItemKey(std::string_view key);

// Marks the random query items of `robot` that a crash left unfinished as "not_processing", so that
// the next run resumes them; finished items and specified-pages items are left alone.
void ResetInterruptedRandomQueryItems(const TConfigStore& store, std::string_view robot);

}  // namespace varnelo::config
