#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::platform {

// The whole content of a file, or nothing when it does not exist. Throws std::system_error when it
// exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Replaces `file` with `content` so that a reader or a crash sees either the old or the new file, and
// the new one is on disk when the call returns: write a temporary file beside it, fsync, rename, fsync
// the folder. Callers serialise writers themselves. Throws std::system_error on failure.
void ReplaceFileAtomically(const std::filesystem::path& file, std::string_view content);

}  // namespace varnelo::platform
