#pragma once

#include <string>
#include <string_view>

// Properties of the URL toolkit that must hold for any input; shared by the randomized tests and the
// fuzz targets. Each returns an empty text when the property holds, else what went wrong.
namespace varnelo::test {

// Parsing the canonical text of a parsed URL gives the same parts back, and its store path stays
// inside the site's folder.
std::string CheckParsedUrl(std::string_view text);
// Resolving a reference never fails, and for a canonical page URL and a canonical target on the same
// host, the relative path from one to the other resolves back to the target.
std::string CheckReference(std::string_view base, std::string_view reference);

}  // namespace varnelo::test
