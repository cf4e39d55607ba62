#pragma once

#include <string_view>

#include "config/config_keys.h"

namespace varnelo::search {

// The one section of every definition file.
inline constexpr std::string_view kPropertiesSection = "Properties";

namespace key {
using config::TBoolKey;
using config::TStringKey;

// Search engine definition.
inline constexpr TStringKey kGetQuery{"getquery", ""};
inline constexpr TStringKey kPostQuery{"postquery", ""};
inline constexpr TBoolKey kRss{"rss", false};

// Random query definition, in the order the builder writes them.
inline constexpr TStringKey kStartResult{"startresult", ""};
inline constexpr TStringKey kEndResult{"endresult", ""};
inline constexpr TStringKey kUrlRegexp{"urlregexp", ""};
// getquery, as above
inline constexpr TStringKey kRelopStartResult{"RelopStartResult", ""};
inline constexpr TStringKey kRelopEndResult{"RelopEndResult", ""};
inline constexpr TStringKey kWordRelopStartResult{"WordRelopStartResult", ""};
inline constexpr TStringKey kWordRelopEndResult{"WordRelopEndResult", ""};
inline constexpr TStringKey kLimitationDefinitionType{"LimitationDefinitionType", ""};
inline constexpr TBoolKey kIFlag{"iflag", false};
inline constexpr TBoolKey kMFlag{"mflag", true};
inline constexpr TBoolKey kSFlag{"sflag", false};
inline constexpr TBoolKey kXFlag{"xflag", false};
inline constexpr TBoolKey kGFlag{"gflag", false};
inline constexpr TBoolKey kRFlag{"rflag", false};
inline constexpr TStringKey kDataLimitingRegexp{"DataLimitingRegexp", ""};
}  // namespace key

// The two values of LimitationDefinitionType.
inline constexpr std::string_view kStandardType = "Standard";
inline constexpr std::string_view kRegularExpressionType = "Regular Expression";

}  // namespace varnelo::search
