#pragma once

#include <filesystem>
#include <string>

namespace varnelo::search {

// The sixteen keys of a random query definition file, with the readers' defaults.
struct TRandomQueryDefinition {
  std::string startResult;
  std::string endResult;
  std::string urlRegexp;
  std::string getQuery;
  std::string relopStartResult;
  std::string relopEndResult;
  std::string wordRelopStartResult;
  std::string wordRelopEndResult;
  std::string limitationDefinitionType;
  bool iFlag = false;
  bool mFlag = true;
  bool sFlag = false;
  bool xFlag = false;
  bool gFlag = false;
  bool rFlag = false;
  std::string dataLimitingRegexp;

  bool operator==(const TRandomQueryDefinition&) const = default;
};

// A missing file, or an empty path, reads as all defaults.
TRandomQueryDefinition ReadRandomQueryDefinition(const std::filesystem::path& file);
// Writes the sixteen keys in the builder's order. Throws config::EConfigWriteError, before writing
// anything, when a value holds what a line cannot, and when the file cannot be written.
void WriteRandomQueryDefinition(const std::filesystem::path& file, const TRandomQueryDefinition& definition);

}  // namespace varnelo::search
