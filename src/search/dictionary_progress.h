#pragma once

#include <cmath>
#include <cstdint>
#include <functional>

namespace varnelo::search {

// Registering reads the file, then writes it back: the progress bar (0 to 100) follows one phase
// after the other.
enum class TDictionaryPhase { Reading, Writing };

// Called whenever the position of the bar changes; a window repaints its bar and processes its
// events there.
using TDictionaryProgress = std::function<void(TDictionaryPhase phase, int position)>;

// done ÷ total × 100, rounded to the nearest integer; 0 while there is nothing to count.
inline int ProgressPosition(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(done) / static_cast<double>(total) * 100.0));
}

}  // namespace varnelo::search
