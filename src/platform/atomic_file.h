#pragma once

#include <filesystem>
#include <functional>
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

// Receives the content piece by piece from its producer.
using TContentSink = std::function<void(std::string_view piece)>;
// The same with a content that `produce` writes through the sink it is given, so that the content
// need never be whole in memory. An exception from `produce` leaves the old file in place.
void ReplaceFileAtomically(const std::filesystem::path& file, const std::function<void(const TContentSink&)>& produce);

}  // namespace varnelo::platform
