#pragma once

#include <utility>
#include <vector>

#include "base/field_change.h"

namespace varnelo::test {

// Keeps every change a model raises, for as long as the recorder lives.
template <class TField>
class TChangeRecorder {
public:
  explicit TChangeRecorder(base::TChangeSignal<TField>& signal)
      : connection_(signal.Connect([this](const base::TFieldChange<TField>& change) { changes.push_back(change); })) {}

  std::vector<TField> Fields() const {
    std::vector<TField> fields;
    for (const auto& change : changes) fields.push_back(change.field);
    return fields;
  }
  // The changes so far, and a fresh start.
  std::vector<base::TFieldChange<TField>> Take() { return std::exchange(changes, {}); }

  std::vector<base::TFieldChange<TField>> changes;

private:
  base::TConnection connection_;
};

}  // namespace varnelo::test
