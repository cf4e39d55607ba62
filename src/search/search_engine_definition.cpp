#include "search/search_engine_definition.h"

#include "base/text.h"
#include "config/ini_text.h"
#include "search/definition_keys.h"
#include "search/definition_values.h"

namespace varnelo::search {

bool TSearchEngineDefinition::UsesPost() const { return !base::TrimBlanks(postQuery).empty(); }

TSearchEngineDefinition ReadSearchEngineDefinition(const std::filesystem::path& file) {
  const config::TConfigStore store(file);
  TSearchEngineDefinition definition;
  definition.getQuery = config::Read(store, kPropertiesSection, key::kGetQuery);
  definition.postQuery = config::Read(store, kPropertiesSection, key::kPostQuery);
  definition.rss = config::Read(store, kPropertiesSection, key::kRss);
  return definition;
}

void WriteSearchEngineDefinition(const std::filesystem::path& file, const TSearchEngineDefinition& definition) {
  const config::TConfigStore store(file);
  RequireStorableValues(store, {definition.getQuery, definition.postQuery});
  config::Write(store, kPropertiesSection, key::kGetQuery, definition.getQuery);
  config::Write(store, kPropertiesSection, key::kRss, definition.rss);
  config::Write(store, kPropertiesSection, key::kPostQuery, definition.postQuery);
}

std::string EngineDisplayName(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return std::string(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
}

}  // namespace varnelo::search
