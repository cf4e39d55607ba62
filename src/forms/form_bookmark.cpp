#include "forms/form_bookmark.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <tuple>

#include "periphery/favorites_shortcut.h"
#include "platform/trash.h"
#include "retrieval/bookmark_file.h"
#include "retrieval/shortcut_file.h"

namespace varnelo::retrieval {
namespace fs = std::filesystem;
namespace {

std::optional<TNodeId> Find(const std::vector<TBookmarkNode>& nodes, const fs::path& path, TNodeId& prefix) {
  for (size_t i = 0; i < nodes.size(); ++i) {
    prefix.push_back(i);
    if (nodes[i].path == path) return prefix;
    if (auto found = Find(nodes[i].children, path, prefix)) return found;
    prefix.pop_back();
  }
  return std::nullopt;
}

// The paths of the ticked nodes, in tree order.
void CollectTicked(const std::vector<TBookmarkNode>& nodes, std::vector<fs::path>& paths) {
  for (const auto& node : nodes) {
    if (node.ticked) paths.push_back(node.path);
    CollectTicked(node.children, paths);
  }
}

// Posts the progress of a save each time another hundredth of it is done, and at its end.
class TSaveProgress {
public:
  TSaveProgress(base::TBackgroundTask& task, base::TSignal<size_t, size_t>& signal, size_t total)
      : task_(task), signal_(signal), total_(total) {}
  void Done(size_t done) {
    const size_t hundredths = done * 100 / total_;
    if (hundredths == hundredths_ && done != total_) return;
    hundredths_ = hundredths;
    task_.Post([&signal = signal_, done, total = total_] { signal(done, total); });
  }

private:
  base::TBackgroundTask& task_;
  base::TSignal<size_t, size_t>& signal_;
  size_t total_;
  size_t hundredths_ = 0;
};

// A moved node and everything below it take their paths from the node's new place.
void Rebase(TBookmarkNode& node, const fs::path& path) {
  node.path = path;
  for (auto& child : node.children) Rebase(child, path / child.caption);
}

// Moves `source` to `destination` unless something is already there: a rename would silently replace
// a file of the same name in the target folder.
std::error_code MoveWithoutReplacing(const fs::path& source, const fs::path& destination) {
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) return {};
  return {errno, std::generic_category()};
}

// Copies the content of `source` into `target`, replacing files of the same name. The source is
// listed before anything is copied, so that importing a folder into itself or one of its own
// sub-folders copies it once instead of without end.
std::error_code CopyFolderContent(const fs::path& source, const fs::path& target) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::recursive_directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(it->path());
  }
  if (error) return error;
  fs::create_directories(target, error);
  if (error) return error;
  if (fs::equivalent(source, target, error) || error) return error;  // already there
  for (const auto& entry : entries) {
    const fs::path destination = target / entry.lexically_relative(source);
    const fs::file_status status = fs::status(entry, error);
    if (status.type() == fs::file_type::not_found) {
      error.clear();  // a dangling link has nothing to copy
      continue;
    }
    if (fs::is_directory(status)) {
      fs::create_directories(destination, error);
    } else if (!error) {
      fs::copy_file(entry, destination, fs::copy_options::overwrite_existing, error);
    }
    if (error) return error;
  }
  return {};
}

}  // namespace

auto TFormBookmark::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Nodes, nodes_), Field(TField::Selected, selected_),
                           Field(TField::EdtFileName, edtFileName_), Field(TField::EdtURL, edtURL_),
                           Field(TField::ImportFolder, importFolder_));
  });
}

TFormBookmark::TFormBookmark(fs::path home, base::TDialogsPort& dialogs, fs::path trashDirectory,
                             base::TMainQueue& mainQueue, base::TThreadStart startThread)
    : home_(std::move(home)),
      dialogs_(dialogs),
      trashDirectory_(std::move(trashDirectory)),
      task_(mainQueue, std::move(startThread)) {}

void TFormBookmark::SetEdtFileName(std::string name) {
  const auto watch = Watch();
  edtFileName_ = std::move(name);
}

void TFormBookmark::SetEdtURL(std::string url) {
  const auto watch = Watch();
  edtURL_ = std::move(url);
}

void TFormBookmark::SetImportFolder(fs::path folder) {
  const auto watch = Watch();
  importFolder_ = std::move(folder);
}

void TFormBookmark::ClickSelectRoot() {
  const auto watch = Watch();
  selected_.reset();
}

void TFormBookmark::ClickTickAll() {
  const auto watch = Watch();
  TickAll(nodes_, true);
}

void TFormBookmark::ClickTickNone() {
  const auto watch = Watch();
  TickAll(nodes_, false);
}

fs::path TFormBookmark::LibraryDirectory() const { return home_ / kShortcutLibraryFolder; }

void TFormBookmark::Open() {
  const auto watch = Watch();
  std::error_code ignored;  // a library that cannot be made shows empty, and saving says why
  fs::create_directories(LibraryDirectory(), ignored);
  nodes_ = LoadBookmarkTree(LibraryDirectory());
  selected_.reset();
  importFolder_ = periphery::FavoritesDirectory(home_);
}

const TBookmarkNode* TFormBookmark::Node(const TNodeId& id) const {
  const std::vector<TBookmarkNode>* level = &nodes_;
  const TBookmarkNode* node = nullptr;
  for (const size_t index : id) {
    if (index >= level->size()) return nullptr;
    node = &(*level)[index];
    level = &node->children;
  }
  return node;
}

TBookmarkNode* TFormBookmark::MutableNode(const TNodeId& id) { return const_cast<TBookmarkNode*>(Node(id)); }

std::optional<TNodeId> TFormBookmark::FindNode(const fs::path& path) const {
  TNodeId prefix;
  return Find(nodes_, path, prefix);
}

void TFormBookmark::SetTicked(const TNodeId& id, bool ticked) {
  const auto watch = Watch();
  if (TBookmarkNode* node = MutableNode(id)) node->ticked = ticked;
}

void TFormBookmark::TickAll(std::vector<TBookmarkNode>& nodes, bool ticked) {
  for (auto& node : nodes) {
    node.ticked = ticked;
    TickAll(node.children, ticked);
  }
}

fs::path TFormBookmark::TargetDirectory() const {
  const TBookmarkNode* node = selected_ ? Node(*selected_) : nullptr;
  return node ? node->path : LibraryDirectory();
}

void TFormBookmark::Reload() {
  std::optional<fs::path> selectedPath;
  if (const TBookmarkNode* node = selected_ ? Node(*selected_) : nullptr) selectedPath = node->path;
  nodes_ = LoadBookmarkTree(LibraryDirectory());
  selected_ = selectedPath ? FindNode(*selectedPath) : std::nullopt;
}

void TFormBookmark::ShowSystemError(const std::error_code& error) {
  dialogs_.MessageBox(" " + error.message(), kBookmarkErrorCaption, base::TDialogsPort::TIcon::Error);
}

void TFormBookmark::ClickNode(const TNodeId& id) {
  const auto watch = Watch();
  const TBookmarkNode* node = Node(id);
  if (node == nullptr) return;
  selected_ = id;
  std::error_code ignored;
  if (node->path.string().ends_with(kShortcutExtension) && fs::exists(node->path, ignored) &&
      !fs::is_directory(node->path, ignored)) {
    edtFileName_ = node->caption;
    edtURL_ = ReadShortcutUrl(node->path);
  } else {
    edtFileName_.clear();
    edtURL_.clear();
  }
}

void TFormBookmark::ClickSaveBookmark() {
  const auto watch = Watch();
  const fs::path target = TargetDirectory();
  std::error_code error;
  if (!fs::is_directory(target, error)) {
    dialogs_.MessageBox(kUrlNeedsDirectoryMessage, kBookmarkErrorCaption, base::TDialogsPort::TIcon::Error);
    return;
  }
  const fs::path file = target / (EscapeFileNameComponent(edtFileName_) + std::string(kShortcutExtension));
  try {
    WriteShortcutFile(file, edtURL_);
  } catch (const std::system_error& failure) {
    ShowSystemError(failure.code());
  }
  Reload();
}

std::string TFormBookmark::ClickPreview() const {
  const TBookmarkNode* node = selected_ ? Node(*selected_) : nullptr;
  std::error_code ignored;
  if (node == nullptr || fs::is_directory(node->path, ignored)) return {};
  return ReadShortcutUrl(node->path);
}

void TFormBookmark::DeleteTicked(std::vector<TBookmarkNode>& nodes) {
  for (size_t i = 0; i < nodes.size();) {
    TBookmarkNode& node = nodes[i];
    DeleteTicked(node.children);
    if (!node.ticked) {
      ++i;
      continue;
    }
    std::error_code error;
    if (!fs::is_directory(node.path, error)) {
      try {
        platform::MoveToTrash(node.path, trashDirectory_);
      } catch (const std::system_error& failure) {
        ShowSystemError(failure.code());
        ++i;
        continue;
      }
    } else if (!node.children.empty()) {
      ++i;
      continue;
    } else if (fs::remove(node.path, error); error) {
      ShowSystemError(error);
      ++i;
      continue;
    }
    nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void TFormBookmark::ClickDelete() {
  const auto watch = Watch();
  std::optional<fs::path> selectedPath;
  if (const TBookmarkNode* node = selected_ ? Node(*selected_) : nullptr) selectedPath = node->path;
  DeleteTicked(nodes_);
  selected_ = selectedPath ? FindNode(*selectedPath) : std::nullopt;
}

void TFormBookmark::ClickImport() {
  const auto watch = Watch();
  const fs::path target = TargetDirectory();
  std::error_code error;
  if (fs::is_regular_file(target, error) || importFolder_.empty()) return;
  if (const std::error_code failure = CopyFolderContent(importFolder_, target)) ShowSystemError(failure);
  Reload();
}

void TFormBookmark::ClickSaveBookmarkFile() {
  if (task_.Busy()) return;
  std::vector<fs::path> ticked;
  CollectTicked(nodes_, ticked);
  auto chosen = dialogs_.ChooseSaveFile(kSaveBookmarkFileCaption, kBookmarkFileFilter, home_ / kBookmarkFileFolder);
  if (!chosen) {
    BookmarkFileSaved(TBookmarkFileSave{});
    return;
  }
  if (!chosen->has_extension()) chosen->replace_extension(kBookmarkFileExtension);
  auto save = std::make_shared<TBookmarkFileSave>(TBookmarkFileSave{*chosen, {}});
  const auto work = [this, ticked = std::move(ticked), save] {
    TBookmarkList list;
    TSaveProgress progress(task_, SaveProgress, ticked.size());
    for (size_t i = 0; i < ticked.size(); ++i) {
      if (task_.Cancelled()) return;
      std::error_code ignored;
      if (!fs::is_directory(ticked[i], ignored)) list.Add(ReadShortcutUrl(ticked[i]));
      progress.Done(i + 1);
    }
    try {
      WriteBookmarkFile(*save->file, list.Urls());
    } catch (const std::system_error& failure) {
      save->error = failure.code();
    }
  };
  task_.Start(work, [this, save](const std::exception_ptr& error) {
    if (error) std::rethrow_exception(error);
    if (save->error) ShowSystemError(save->error);
    BookmarkFileSaved(*save);
  });
}

void TFormBookmark::DropOnNode(const TNodeId& targetId) {
  const auto watch = Watch();
  const TBookmarkNode* source = selected_ ? Node(*selected_) : nullptr;
  const TBookmarkNode* target = Node(targetId);
  if (source == nullptr || target == nullptr) return;
  std::error_code error;
  if (!fs::is_directory(target->path, error)) {
    dialogs_.MessageBox(kMoveOverFileMessage, kBookmarkErrorCaption, base::TDialogsPort::TIcon::Error);
    return;
  }
  const fs::path targetPath = target->path;
  const fs::path destination = targetPath / source->caption;
  if (destination != source->path) {
    if (const std::error_code failure = MoveWithoutReplacing(source->path, destination)) {
      ShowSystemError(failure);
      return;
    }
  }
  // Take the node out of its parent, then put it last under the target, found again by its path
  // since the removal may have shifted the indices on the way to it.
  const TNodeId sourceId = *selected_;
  TNodeId parentId(sourceId.begin(), sourceId.end() - 1);
  std::vector<TBookmarkNode>& siblings = parentId.empty() ? nodes_ : MutableNode(parentId)->children;
  TBookmarkNode moved = std::move(siblings[sourceId.back()]);
  siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(sourceId.back()));
  Rebase(moved, destination);
  TNodeId newParentId = *FindNode(targetPath);
  auto& children = MutableNode(newParentId)->children;
  children.push_back(std::move(moved));
  newParentId.push_back(children.size() - 1);
  selected_ = newParentId;
}

}  // namespace varnelo::retrieval
