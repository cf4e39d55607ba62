#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnelo::network {

// `text` cut into lines: CR LF, LF or CR ends a line; a last line without an end is a line; an empty
// text gives no line (the way a string list loads a stream).
std::vector<std::string> SplitTextLines(std::string_view text);

}  // namespace varnelo::network
