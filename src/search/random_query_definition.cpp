#include "search/random_query_definition.h"

#include "search/definition_keys.h"
#include "search/definition_values.h"

namespace varnelo::search {

TRandomQueryDefinition ReadRandomQueryDefinition(const std::filesystem::path& file) {
  TRandomQueryDefinition d;
  if (file.empty()) return d;
  const config::TConfigStore store(file);
  const auto read = [&](const auto& key) { return config::Read(store, kPropertiesSection, key); };
  d.startResult = read(key::kStartResult);
  d.endResult = read(key::kEndResult);
  d.urlRegexp = read(key::kUrlRegexp);
  d.getQuery = read(key::kGetQuery);
  d.relopStartResult = read(key::kRelopStartResult);
  d.relopEndResult = read(key::kRelopEndResult);
  d.wordRelopStartResult = read(key::kWordRelopStartResult);
  d.wordRelopEndResult = read(key::kWordRelopEndResult);
  d.limitationDefinitionType = read(key::kLimitationDefinitionType);
  d.iFlag = read(key::kIFlag);
  d.mFlag = read(key::kMFlag);
  d.sFlag = read(key::kSFlag);
  d.xFlag = read(key::kXFlag);
  d.gFlag = read(key::kGFlag);
  d.rFlag = read(key::kRFlag);
  d.dataLimitingRegexp = read(key::kDataLimitingRegexp);
  return d;
}

void WriteRandomQueryDefinition(const std::filesystem::path& file, const TRandomQueryDefinition& d) {
  const config::TConfigStore store(file);
  RequireStorableValues(store, {d.startResult, d.endResult, d.urlRegexp, d.getQuery, d.relopStartResult,
                                d.relopEndResult, d.wordRelopStartResult, d.wordRelopEndResult,
                                d.limitationDefinitionType, d.dataLimitingRegexp});
  const auto write = [&](const auto& key, const auto& value) { config::Write(store, kPropertiesSection, key, value); };
  write(key::kStartResult, d.startResult);
  write(key::kEndResult, d.endResult);
  write(key::kUrlRegexp, d.urlRegexp);
  write(key::kGetQuery, d.getQuery);
  write(key::kRelopStartResult, d.relopStartResult);
  write(key::kRelopEndResult, d.relopEndResult);
  write(key::kWordRelopStartResult, d.wordRelopStartResult);
  write(key::kWordRelopEndResult, d.wordRelopEndResult);
  write(key::kLimitationDefinitionType, d.limitationDefinitionType);
  write(key::kIFlag, d.iFlag);
  write(key::kMFlag, d.mFlag);
  write(key::kSFlag, d.sFlag);
  write(key::kXFlag, d.xFlag);
  write(key::kGFlag, d.gFlag);
  write(key::kRFlag, d.rFlag);
  write(key::kDataLimitingRegexp, d.dataLimitingRegexp);
}

}  // namespace varnelo::search
