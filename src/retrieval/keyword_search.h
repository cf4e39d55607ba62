#pragma once

#include <filesystem>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/tag_node.h"

namespace varnelo::retrieval {

// The folder of the result pages, inside the home directory; it comes with the installation.
inline constexpr std::string_view kResultFolder = "result";

// The result page of the page at `url`: result/<ResultHash of url>.html.
std::filesystem::path ResultFilePath(const std::filesystem::path& home, std::string_view url);

// The result pages of one crawl. The hash that names them is weak: URLs that differ only before
// their last eight or so characters share it (/en/index.html and /fr/index.html). So the first URL of
// a hash gets ResultFilePath, and each later one of the same crawl gets "<hash>-<n>.html" instead of
// overwriting another page's results. Safe on any thread.
class TResultFiles {
public:
  explicit TResultFiles(std::filesystem::path home) : home_(std::move(home)) {}
  std::filesystem::path For(const std::string& url);

private:
  std::mutex mutex_;
  std::filesystem::path home_;
  std::map<std::uint32_t, std::vector<std::string>> urlsByHash_;
};

// Called for each hit with the page URL and the text that holds it (line breaks removed).
using THitRow = std::function<void(const std::string& pageUrl, const std::string& foundLine)>;
// Gives the result page's path; asked for only when the page has a hit.
using TResultFileFor = std::function<std::filesystem::path()>;

// Marks the first hit of `phrase` in each text node of the tree (only A to Z folded), numbering the
// anchors found1, found2, ... in document order, hands a row for each to `addRow`, and writes the
// page's result file when there was a hit. Returns false only when that file could not be written.
bool KeywordSearch(parsing::TTagNode& root, std::string_view phrase, const std::string& pageUrl,
                   const TResultFileFor& resultFile, const THitRow& addRow);

// The same on the lines of a text page; the result file wraps them in a minimal HTML page.
bool KeywordSearch(std::vector<std::string>& lines, std::string_view phrase, const std::string& pageUrl,
                   const TResultFileFor& resultFile, const THitRow& addRow);

}  // namespace varnelo::retrieval
