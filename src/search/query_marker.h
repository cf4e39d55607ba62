#pragma once

#include <string>
#include <string_view>

namespace varnelo::search {

// The place of the query in a definition's URLs and POST bodies.
inline constexpr std::string_view kQueryMarker = "$_";

// `text` with every "$_" replaced by `value`, inserted as it is.
std::string ReplaceQueryMarker(std::string_view text, std::string_view value);

}  // namespace varnelo::search
