#pragma once

#include <string>
#include <string_view>

namespace varnelo::retrieval {

// A scheme word (letters, digits, "+", "-") followed by ":".
bool IsAbsoluteReference(std::string_view reference);
// Joins a link to the absolute URL of its page as text; dot segments are left for ParseUrl.
std::string ResolveReference(std::string_view base, std::string_view reference);
// The link that leads from canonical URL `from` to canonical URL `to`, with "../" for each level up.
std::string RelativePath(std::string_view from, std::string_view to);
// Deletes "./" after an odd run of dots, scanning again after each deletion.
std::string DropDotSlash(std::string_view link);

}  // namespace varnelo::retrieval
