#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word_collator.h"

namespace varnelo::retrieval {

// Bookmark files (".bmf"): one URL per line, lines ended by CR LF, nothing else.
inline constexpr std::string_view kBookmarkFileExtension = "bmf";

// URLs kept in ascending order without regard to case, none twice without regard to case: the list
// that the bookmark editor writes.
class TBookmarkList {
public:
  // Adds `url` at its place unless an equal one (without regard to case) is there already; says
  // whether it was added.
  bool Add(std::string_view url);
  const std::vector<std::string>& Urls() const { return urls_; }

private:
  mutable platform::TWordCollator order_;
  std::vector<std::string> urls_;
};

// The lines of a bookmark file as they stand, empty ones included; CR LF, LF and CR all end a line,
// and a last line without its end counts. A missing file gives no lines; an unreadable one throws
// std::system_error.
std::vector<std::string> ReadBookmarkFile(const std::filesystem::path& file);

// The list as the robot editor rewrites it: every line trimmed, empty lines dropped, sorted and
// without duplicates (both without regard to case; the first of equal lines stays).
std::vector<std::string> NormalizedBookmarks(const std::vector<std::string>& lines);

// The text of a bookmark file: each URL and CR LF. A URL holding a line break or NUL byte has them
// percent-encoded, so that every URL stays one line.
std::string BookmarkFileText(const std::vector<std::string>& urls);

// Writes BookmarkFileText(urls) to `file`, replacing it atomically. Throws std::system_error.
void WriteBookmarkFile(const std::filesystem::path& file, const std::vector<std::string>& urls);

}  // namespace varnelo::retrieval
