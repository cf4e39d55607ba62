#pragma once

#include <cstddef>
#include <utility>

#include "base/signal.h"

namespace varnelo::base {

// A TSignal for objects that are copied or moved, such as dialog models returned by value.
// Listeners belong to the object they connected to, not to its value: a copy or a moved-to object
// starts with no listener, the source keeps its own (they end with it), and an assignment leaves
// the target's listeners as they were. So a listener never hears an object other than the one it
// chose, and a connection that outlives its object does nothing.
template <class... TArgs>
class TMovableSignal {
public:
  using TSlot = typename TSignal<TArgs...>::TSlot;

  TMovableSignal() = default;
  TMovableSignal(const TMovableSignal&) {}
  TMovableSignal(TMovableSignal&&) {}
  TMovableSignal& operator=(const TMovableSignal&) { return *this; }
  TMovableSignal& operator=(TMovableSignal&&) { return *this; }

  TConnection Connect(TSlot slot) { return signal_.Connect(std::move(slot)); }
  void operator()(TArgs... args) const { signal_(args...); }
  size_t ListenerCount() const { return signal_.ListenerCount(); }

private:
  TSignal<TArgs...> signal_;
};

}  // namespace varnelo::base
