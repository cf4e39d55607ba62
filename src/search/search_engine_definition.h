#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::search {

// One engine of a search engine robot: the file `Robot Definitions/<robot>/<engine>`.
struct TSearchEngineDefinition {
  std::string getQuery;
  bool rss = false;
  std::string postQuery;

  // A POST body that is blank means a plain GET.
  bool UsesPost() const;
  bool operator==(const TSearchEngineDefinition&) const = default;
};

// A missing file reads as all defaults.
TSearchEngineDefinition ReadSearchEngineDefinition(const std::filesystem::path& file);
// Writes getquery, rss and postquery in that order. Throws config::EConfigWriteError, before writing
// anything, when a value holds what a line cannot, and when the file cannot be written.
void WriteSearchEngineDefinition(const std::filesystem::path& file, const TSearchEngineDefinition& definition);

// The caption of an engine: its file name without the last extension ("a.b" gives "a").
std::string EngineDisplayName(std::string_view fileName);

}  // namespace varnelo::search
