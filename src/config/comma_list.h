#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnelo::config {

// Splits a comma list (ContentType, spamword, work item values): an empty text has no items; every
// piece before a "," is one item, empty pieces included, and a final "," adds no empty item. Items are
// not trimmed.
std::vector<std::string> SplitCommaList(std::string_view text);

}  // namespace varnelo::config
