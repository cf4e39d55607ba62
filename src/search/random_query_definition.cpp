#include "search/random_query_definition.h"

#include <array>
#include <string_view>
#include <variant>
#include <vector>

#include "search/definition_keys.h"
#include "search/definition_values.h"

namespace varnelo::search {
namespace {

using TDefinition = TRandomQueryDefinition;

struct TTextKey {
  std::string TDefinition::*member;
  config::TStringKey key;
};
struct TFlagKey {
  bool TDefinition::*member;
  config::TBoolKey key;
};

// Every key of the file with the member it fills, in the order the builder writes them.
constexpr std::array<std::variant<TTextKey, TFlagKey>, 16> kKeys{{
    TTextKey{&TDefinition::startResult, key::kStartResult},
    TTextKey{&TDefinition::endResult, key::kEndResult},
    TTextKey{&TDefinition::urlRegexp, key::kUrlRegexp},
    TTextKey{&TDefinition::getQuery, key::kGetQuery},
    TTextKey{&TDefinition::relopStartResult, key::kRelopStartResult},
    TTextKey{&TDefinition::relopEndResult, key::kRelopEndResult},
    TTextKey{&TDefinition::wordRelopStartResult, key::kWordRelopStartResult},
    TTextKey{&TDefinition::wordRelopEndResult, key::kWordRelopEndResult},
    TTextKey{&TDefinition::limitationDefinitionType, key::kLimitationDefinitionType},
    TFlagKey{&TDefinition::iFlag, key::kIFlag},
    TFlagKey{&TDefinition::mFlag, key::kMFlag},
    TFlagKey{&TDefinition::sFlag, key::kSFlag},
    TFlagKey{&TDefinition::xFlag, key::kXFlag},
    TFlagKey{&TDefinition::gFlag, key::kGFlag},
    TFlagKey{&TDefinition::rFlag, key::kRFlag},
    TTextKey{&TDefinition::dataLimitingRegexp, key::kDataLimitingRegexp},
}};

}  // namespace

TRandomQueryDefinition ReadRandomQueryDefinition(const std::filesystem::path& file) {
  TDefinition d;
  if (file.empty()) return d;
  const config::TConfigStore store(file);
  for (const auto& row : kKeys) {
    std::visit([&](const auto& k) { d.*k.member = config::Read(store, kPropertiesSection, k.key); }, row);
  }
  return d;
}

void WriteRandomQueryDefinition(const std::filesystem::path& file, const TRandomQueryDefinition& d) {
  const config::TConfigStore store(file);
  std::vector<std::string_view> texts;
  for (const auto& row : kKeys) {
    if (const auto* text = std::get_if<TTextKey>(&row)) texts.push_back(d.*text->member);
  }
  RequireStorableValues(store, texts);
  for (const auto& row : kKeys) {
    std::visit([&](const auto& k) { config::Write(store, kPropertiesSection, k.key, d.*k.member); }, row);
  }
}

}  // namespace varnelo::search
