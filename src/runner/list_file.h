#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnelo::runner {

// The lines of a list the runner divides or starts from (start URLs, bookmark URLs, dictionary
// words); CR LF, LF and CR end a line. A missing or unreadable file throws std::runtime_error
// "Unable to read <path>: <reason>", which reaches the application's error dialog.
std::vector<std::string> LoadListFile(const std::filesystem::path& file);

}  // namespace varnelo::runner
