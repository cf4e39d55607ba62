#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/tag_node.h"

namespace varnelo::retrieval {

// The folder of the result pages, inside the home directory; it comes with the installation.
inline constexpr std::string_view kResultFolder = "result";

// The result page of the page at `url`: result/<ResultHash of url>.html.
std::filesystem::path ResultFilePath(const std::filesystem::path& home, std::string_view url);

// Called for each hit with the page URL and the text that holds it (line breaks removed).
using THitRow = std::function<void(const std::string& pageUrl, const std::string& foundLine)>;

// Marks the first hit of `phrase` in each text node of the tree (only A to Z folded), numbering the
// anchors found1, found2, ... in document order, hands a row for each to `addRow`, and writes the
// page's result file when there was a hit. Returns false only when that file could not be written.
bool KeywordSearch(parsing::TTagNode& root, std::string_view phrase, const std::string& pageUrl,
                   const std::filesystem::path& resultFile, const THitRow& addRow);

// The same on the lines of a text page; the result file wraps them in a minimal HTML page.
bool KeywordSearch(std::vector<std::string>& lines, std::string_view phrase, const std::string& pageUrl,
                   const std::filesystem::path& resultFile, const THitRow& addRow);

}  // namespace varnelo::retrieval
