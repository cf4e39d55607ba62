#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/list_change.h"
#include "base/movable_signal.h"

namespace varnelo::base {

// What one operation of a dialog model changed: a field (or group of fields) named by the model's
// own enumeration and, for a list, which of its rows.
template <class TField>
struct TFieldChange {
  TField field;
  std::optional<TListChange> rows;  // nothing for a field that is not a list
  bool operator==(const TFieldChange&) const = default;
};

// One entry of a model's snapshot: the name of a field and a copy of its value. A std::vector value
// is a list, whose changes name their rows.
template <class TField, class T>
struct TFieldValue {
  TField field;
  T value;
};

template <class TField, class T>
TFieldValue<TField, std::decay_t<T>> Field(TField field, T&& value) {
  return {field, std::forward<T>(value)};
}

template <class TField, class TSnapshot>
class TChangeWatch;

// The change event of a dialog model, raised on the main thread once an operation has ended, one
// raise per field that it really changed, in the order of the model's snapshot. A model stays
// copyable and movable with it (see TMovableSignal). Fields that a view writes itself are not
// announced back to it: only the model's operations are watched.
template <class TField>
class TChangeSignal {
public:
  using TChange = TFieldChange<TField>;
  using TSlot = std::function<void(const TChange&)>;

  TConnection Connect(TSlot slot) { return signal_.Connect(std::move(slot)); }
  size_t ListenerCount() const { return signal_.ListenerCount(); }
  void operator()(const TChange& change) const { signal_(change); }

  // Watches an operation until the returned watch ends: `snapshot` gives the model's fields as a
  // tuple of Field() entries, taken before and after. An operation that runs another inside it is
  // watched once, by the outer watch, so a change is told once and only when all is done.
  template <class TSnapshot>
  TChangeWatch<TField, TSnapshot> Watch(TSnapshot snapshot) {
    return TChangeWatch<TField, TSnapshot>(*this, std::move(snapshot));
  }

  // A change for every entry of `after` whose value differs from the same entry of `before`.
  template <class... TEntries>
  void RaiseDifferences(const std::tuple<TEntries...>& before, const std::tuple<TEntries...>& after) const {
    [&]<size_t... I>(std::index_sequence<I...>) { (RaiseDifference(std::get<I>(before), std::get<I>(after)), ...); }
    (std::index_sequence_for<TEntries...>{});
  }

private:
  template <class, class>
  friend class TChangeWatch;

  template <class T>
  struct IsList : std::false_type {};
  template <class T, class TAllocator>
  struct IsList<std::vector<T, TAllocator>> : std::true_type {};

  template <class T>
  void RaiseDifference(const TFieldValue<TField, T>& before, const TFieldValue<TField, T>& after) const {
    if constexpr (IsList<T>::value) {
      if (const std::optional<TListChange> rows = ListDifference(before.value, after.value)) {
        signal_(TChange{after.field, rows});
      }
    } else if (!(before.value == after.value)) {
      signal_(TChange{after.field, std::nullopt});
    }
  }

  TMovableSignal<const TChange&> signal_;
  int watching_ = 0;  // watches running on this object, nested ones included
};

// Made by TChangeSignal::Watch; raises the differences when it ends, even when the operation ends
// by an exception, since the fields it changed until then stay changed.
template <class TField, class TSnapshot>
class [[nodiscard]] TChangeWatch {
public:
  TChangeWatch(TChangeSignal<TField>& signal, TSnapshot snapshot) : signal_(signal), snapshot_(std::move(snapshot)) {
    if (signal_.watching_++ == 0) before_.emplace(snapshot_());
  }
  TChangeWatch(const TChangeWatch&) = delete;
  TChangeWatch& operator=(const TChangeWatch&) = delete;
  // A listener that throws while an exception is already on its way ends the program.
  ~TChangeWatch() noexcept(false) {
    --signal_.watching_;
    if (before_) signal_.RaiseDifferences(*before_, snapshot_());
  }

private:
  TChangeSignal<TField>& signal_;
  TSnapshot snapshot_;
  std::optional<std::invoke_result_t<TSnapshot&>> before_;
};

}  // namespace varnelo::base
