#include "search/definition_values.h"

#include "config/storable_text.h"

namespace varnelo::search {

void RequireStorableValues(const config::TConfigStore& store, std::span<const std::string_view> values) {
  for (const std::string_view value : values) {
    if (config::StorageProblem(value) == config::TStorageProblem::LineBreak) {
      throw config::EConfigWriteError(store.FileName());
    }
  }
}

}  // namespace varnelo::search
