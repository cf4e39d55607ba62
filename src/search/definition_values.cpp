#include "search/definition_values.h"

namespace varnelo::search {

void RequireStorableValues(const config::TConfigStore& store, std::initializer_list<std::string_view> values) {
  constexpr std::string_view kBreaks("\r\n\0", 3);
  for (const std::string_view value : values) {
    if (value.find_first_of(kBreaks) != std::string_view::npos) throw config::EConfigWriteError(store.FileName());
  }
}

}  // namespace varnelo::search
