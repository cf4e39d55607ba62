#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::platform {

// "file://" and the absolute path `file`, every byte that a URL path cannot hold as it is (blanks,
// "#", "%", "?", bytes above 127, ...) written as a percent escape; "/" stays.
std::string FileUrl(const std::filesystem::path& file);

// The local path that a "file:" URL names (no host, or "localhost"), its escapes decoded; the query
// and the fragment are not part of it. None for any other URL.
std::optional<std::filesystem::path> FileUrlPath(std::string_view url);

}  // namespace varnelo::platform
