#include "retrieval/bookmark_tree.h"

#include "base/text.h"
#include "retrieval/shortcut_file.h"

namespace varnelo::retrieval {
namespace fs = std::filesystem;
namespace {

void LoadFolder(const fs::path& folder, std::vector<TBookmarkNode>& nodes) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return;
  for (const fs::directory_entry& entry : entries) {
    TBookmarkNode node;
    node.caption = entry.path().filename().string();
    node.path = entry.path();
    std::error_code statusError;
    node.isFolder = entry.is_directory(statusError);
    if (node.isFolder) {
      node.icon = kFolderIcon;
      if (!entry.is_symlink(statusError)) LoadFolder(node.path, node.children);
    } else {
      node.icon = ShortcutIcon(ReadShortcutUrl(node.path));
    }
    nodes.push_back(std::move(node));
  }
}

}  // namespace

int ShortcutIcon(std::string_view url) {
  std::string head;
  for (const char c : url.substr(0, 4)) head += base::AsciiLower(c);
  if (head == "http") return kHttpIcon;
  if (head == "news") return kNewsIcon;
  if (head == "ftp:") return kFtpIcon;
  return kOtherIcon;
}

std::vector<TBookmarkNode> LoadBookmarkTree(const fs::path& library) {
  std::vector<TBookmarkNode> nodes;
  LoadFolder(library, nodes);
  return nodes;
}

}  // namespace varnelo::retrieval
