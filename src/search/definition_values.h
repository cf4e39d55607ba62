#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "config/config_store.h"

namespace varnelo::search {

// Throws config::EConfigWriteError for `store` when one of the values could not be written as one
// line, so that a definition is written whole or not at all.
void RequireStorableValues(const config::TConfigStore& store, std::span<const std::string_view> values);
inline void RequireStorableValues(const config::TConfigStore& store, std::initializer_list<std::string_view> values) {
  RequireStorableValues(store, std::span<const std::string_view>(values.begin(), values.size()));
}

}  // namespace varnelo::search
