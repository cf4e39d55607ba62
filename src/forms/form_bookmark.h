#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/background_task.h"
#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "base/main_queue.h"
#include "base/signal.h"
#include "base/thread_start.h"
#include "retrieval/bookmark_tree.h"

namespace varnelo::retrieval {

inline constexpr std::string_view kBookmarkEditorCaption = "Gestion des marques-pages";
// The folder of the home where bookmark files are saved.
inline constexpr std::string_view kBookmarkFileFolder = "urllist";
inline constexpr std::string_view kBookmarkFileFilter = "*.bmf (*.bmf)";
inline constexpr std::string_view kSaveBookmarkFileCaption = "Enregistrer ves .bmf";
inline constexpr std::string_view kUrlNeedsDirectoryMessage = "Url must be put in a directory";
inline constexpr std::string_view kMoveOverFileMessage = "You can't move a file over another file...";
inline constexpr std::string_view kBookmarkErrorCaption = "Error";

// A node of the tree: its index among the top-level nodes, then among the children of each node on
// the way down.
using TNodeId = std::vector<size_t>;

// How an "Enregistrer ves .bmf" ended.
struct TBookmarkFileSave {
  // The bookmark file written, or that could not be; none when the save dialog was cancelled.
  std::optional<std::filesystem::path> file;
  // The system error shown when the file could not be written; none when it was.
  std::error_code error;
};

// The bookmark editor without its widgets: the library tree of shortcuts under UrlFiles with a tick
// on every node, the two boxes, and the operations of its buttons. Failures are messages with the
// caption "Error"; those of the system read as a blank and the system's error text.
class TFormBookmark {
public:
  // `trashDirectory` receives deleted shortcuts (platform::HomeTrashDirectory() in the program);
  // `startThread` makes the thread that writes a bookmark file.
  TFormBookmark(std::filesystem::path home, base::TDialogsPort& dialogs, std::filesystem::path trashDirectory,
                base::TMainQueue& mainQueue, base::TThreadStart startThread = base::StartThread);

  // What an operation changed. The rows of Nodes are the top-level nodes: a row changes when
  // anything in its subtree does.
  enum class TField { Nodes, Selected, EdtFileName, EdtURL, ImportFolder };
  base::TChangeSignal<TField> Changed;

  // Shows the library, every node unticked, nothing selected; the import tree starts at the
  // favorites folder. The library folder is made when missing.
  void Open();

  std::filesystem::path LibraryDirectory() const;
  const std::vector<TBookmarkNode>& Nodes() const { return nodes_; }
  // The node of `id`, or nullptr when there is none.
  const TBookmarkNode* Node(const TNodeId& id) const;
  std::optional<TNodeId> FindNode(const std::filesystem::path& path) const;
  const std::optional<TNodeId>& Selected() const { return selected_; }
  void SetTicked(const TNodeId& id, bool ticked);

  const std::string& EdtFileName() const { return edtFileName_; }
  void SetEdtFileName(std::string name);
  const std::string& EdtURL() const { return edtURL_; }
  void SetEdtURL(std::string url);
  // The folder selected in the import tree.
  const std::filesystem::path& ImportFolder() const { return importFolder_; }
  void SetImportFolder(std::filesystem::path folder);

  // A click on a node selects it; a shortcut file fills the boxes with its name and URL, anything
  // else empties them.
  void ClickNode(const TNodeId& id);
  // "Sélectionner la racine": nothing selected, so the library itself is the target.
  void ClickSelectRoot();
  // "Enregistrer les marques-pages": writes EdtURL as the shortcut <target>/<EdtFileName>.url.
  void ClickSaveBookmark();
  // "Prévisualiser": the URL for the preview window; empty for a folder or no selection.
  std::string ClickPreview() const;
  // "Effacer ce marque-page": ticked files go to the trash, ticked folders left empty are removed.
  void ClickDelete();
  // "Tout choisir" / "Rien choisir".
  void ClickTickAll();
  void ClickTickNone();
  // "Importer ce répertoire dans vos bookmarks": copies ImportFolder's content into the target.
  void ClickImport();
  // "Enregistrer ves .bmf": the URLs of the ticked files, sorted and without duplicates (both without
  // regard to case), into the bookmark file the user chooses. Once a file is chosen, the shortcuts are
  // read and the file written off the main thread; SaveProgress follows that and BookmarkFileSaved
  // ends it, through the main queue. A click while a save is under way does nothing.
  void ClickSaveBookmarkFile();
  bool Saving() const { return task_.Busy(); }
  // The save under way: how many of the ticked nodes were read, of how many.
  base::TSignal<size_t /*done*/, size_t /*total*/> SaveProgress;
  // Every "Enregistrer ves .bmf" ends with one of these, after the message of a failed write.
  base::TSignal<const TBookmarkFileSave&> BookmarkFileSaved;
  // EdtURL dropped on the node `target`: moves the selected node's file or folder into it.
  void DropOnNode(const TNodeId& target);

private:
  auto Watch();
  TBookmarkNode* MutableNode(const TNodeId& id);
  std::filesystem::path TargetDirectory() const;
  // Reloads the tree; the node that was selected stays selected when its path is still there.
  void Reload();
  void ShowSystemError(const std::error_code& error);
  // Deletes the ticked nodes among `nodes`, each node's children before the node.
  void DeleteTicked(std::vector<TBookmarkNode>& nodes);
  static void TickAll(std::vector<TBookmarkNode>& nodes, bool ticked);

  std::filesystem::path home_;
  base::TDialogsPort& dialogs_;
  std::filesystem::path trashDirectory_;
  std::vector<TBookmarkNode> nodes_;
  std::optional<TNodeId> selected_;
  std::string edtFileName_;
  std::string edtURL_;
  std::filesystem::path importFolder_;
  // Last, so that its thread, which uses the members above, ends first.
  base::TBackgroundTask task_;
};

}  // namespace varnelo::retrieval
