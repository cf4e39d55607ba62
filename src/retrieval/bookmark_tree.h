#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::retrieval {

// The shortcut library: this folder of the home and everything below it.
inline constexpr std::string_view kShortcutLibraryFolder = "UrlFiles";

// Icons of the library tree.
inline constexpr int kFolderIcon = 1;
inline constexpr int kFtpIcon = 2;
inline constexpr int kNewsIcon = 3;
inline constexpr int kHttpIcon = 4;
inline constexpr int kOtherIcon = 5;

// The icon of a shortcut, from the first four characters of its URL in lower case: "http" (so
// "https" too), "news", "ftp:", anything else.
int ShortcutIcon(std::string_view url);

// One node of the library tree: a folder (sub-directory) or a file (a shortcut, or any other file).
struct TBookmarkNode {
  std::string caption;  // the entry's name
  bool isFolder = false;
  int icon = kOtherIcon;
  std::filesystem::path path;
  bool ticked = false;
  std::vector<TBookmarkNode> children;
  bool operator==(const TBookmarkNode&) const = default;
};

// The tree of `library`, unticked, in the order the file system lists each folder. A folder reached
// through a symbolic link is shown but not entered, so that a link loop cannot make the tree endless;
// a missing or unreadable folder gives no nodes.
std::vector<TBookmarkNode> LoadBookmarkTree(const std::filesystem::path& library);

}  // namespace varnelo::retrieval
