#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::test {

// An account of a static site taken with libxml2, independent of the program's own parser and URL
// code, to check what a crawl of that site did.

// One link attribute of a page: element and attribute names in lower case, and the value.
struct TPageLink {
  std::string element;
  std::string attribute;
  std::string value;
  bool operator==(const TPageLink&) const = default;
};

// The link attributes of an HTML page in document order.
std::vector<TPageLink> PageLinks(std::string_view html);

// The files of `folder`, served at `prefixUrl` (ending with "/"), that links lead to from the folder's
// index.html, with it: paths relative to the folder. A link is followed when it resolves under
// `prefixUrl` to a regular file (a "/" end names its index.html); only .html files are read for links.
std::set<std::string> ReachableFiles(const std::filesystem::path& folder, const std::string& prefixUrl);

// The pages among `files` with a text node that holds `phrase`, A to Z folded: paths relative to the
// folder.
std::set<std::string> PagesWithText(const std::filesystem::path& folder, const std::set<std::string>& files,
                                    std::string_view phrase);

// `text` with every %XX escape decoded.
std::string PercentDecoded(std::string_view text);

}  // namespace varnelo::test
