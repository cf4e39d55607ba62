#pragma once

#include <deque>
#include <filesystem>
#include <string>

namespace varnelo::search {

// One queued engine of a search engine run.
struct TDescURL {
  std::filesystem::path definitionFile;  // full path of the engine's definition
  bool rss = false;
};

struct TEngineQueueEntry {
  std::string url;  // the engine's `getquery` with the encoded query in place of "$_"
  TDescURL desc;
};

// The engines of one run not started yet, taken from the front. Main thread only.
using TEngineQueue = std::deque<TEngineQueueEntry>;

}  // namespace varnelo::search
