#pragma once

#include <filesystem>
#include <ostream>

namespace varnelo::cli {

// Prints one line per robot of the home: its robot list entry as the start-up builds it, a tab and
// its `DataFrom`. Returns the exit status: 2, with the message on `errors`, when robotconfig.ini lacks
// its two sections.
int RunList(const std::filesystem::path& home, std::ostream& out, std::ostream& errors);

}  // namespace varnelo::cli
