#pragma once

#include <cmath>
#include <cstdint>
#include <functional>

namespace varnelo::search {

// Registering reads the file, then writes it back: the progress bar (0 to 100) follows one phase
// after the other.
enum class TDictionaryPhase { Reading, Writing };

// Called as a phase goes on with how much of it is done: bytes read of the file's size, then words
// written of the word count. Only when the bar would move, and once more when the phase is complete.
using TDictionaryProgress = std::function<void(TDictionaryPhase phase, uint64_t done, uint64_t total)>;

// done ÷ total × 100, rounded to the nearest integer; 0 while there is nothing to count.
inline int ProgressPosition(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  return static_cast<int>(std::lround(static_cast<double>(done) / static_cast<double>(total) * 100.0));
}

}  // namespace varnelo::search
