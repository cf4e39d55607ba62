#pragma once

#include <cstdint>
#include <new>

namespace varnelo::pascal {

// What a run may hold in strings, string lists, arrays and records, counted on the thread that runs it.
// Values are counted wherever they live; only a thread running a script (inside a TBudgetScope) has a
// limit, and only what grew since the scope began counts against it.
namespace memory_budget {

inline constexpr int64_t kDefaultLimit = int64_t(1) << 30;

// Passing the limit. A std::bad_alloc, so that code already safe for a failed allocation is safe for it.
class TOutOfMemory : public std::bad_alloc {
 public:
  const char* what() const noexcept override { return "Out of memory"; }
};

struct TThreadState {
  int64_t live = 0;      // bytes counted on this thread, run or not
  int64_t baseline = 0;  // `live` when the current scope began
  int64_t limit = -1;    // none outside a scope
};

inline thread_local TThreadState state;

// Counts `bytes` more, or throws TOutOfMemory (counting nothing) when they would pass the limit.
inline void Reserve(int64_t bytes) {
  if (state.limit >= 0 && bytes > state.limit - (state.live - state.baseline)) throw TOutOfMemory();
  state.live += bytes;
}

inline void Release(int64_t bytes) noexcept { state.live -= bytes; }

// Throws as Reserve would, counting nothing: for a check before building something big.
inline void Ensure(int64_t bytes) {
  Reserve(bytes);
  Release(bytes);
}

}  // namespace memory_budget

// The limit of one run on this thread while it lives; the limit before it comes back afterwards.
class TBudgetScope {
 public:
  explicit TBudgetScope(int64_t limit) : saved_(memory_budget::state) {
    memory_budget::state.baseline = memory_budget::state.live;
    memory_budget::state.limit = limit;
  }
  TBudgetScope(const TBudgetScope&) = delete;
  TBudgetScope& operator=(const TBudgetScope&) = delete;
  ~TBudgetScope() {
    memory_budget::state.baseline = saved_.baseline;
    memory_budget::state.limit = saved_.limit;
  }

 private:
  memory_budget::TThreadState saved_;
};

// Bytes an object holds in the budget, given back when it goes (on whatever thread that is).
class TBudgetCharge {
 public:
  TBudgetCharge() = default;
  TBudgetCharge(const TBudgetCharge&) = delete;
  TBudgetCharge& operator=(const TBudgetCharge&) = delete;
  ~TBudgetCharge() { memory_budget::Release(bytes_); }

  void Grow(int64_t bytes) {
    memory_budget::Reserve(bytes);
    bytes_ += bytes;
  }
  void Shrink(int64_t bytes) noexcept {
    memory_budget::Release(bytes);
    bytes_ -= bytes;
  }
  void Reset() noexcept { Shrink(bytes_); }
  int64_t Bytes() const { return bytes_; }

 private:
  int64_t bytes_ = 0;
};

}  // namespace varnelo::pascal
