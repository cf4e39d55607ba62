#include "forms/form_bookmark.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "retrieval/bookmark_file.h"
#include "retrieval/shortcut_file.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"
#include "support/thread_gate.h"

namespace varnelo::retrieval {
namespace {
namespace fs = std::filesystem;

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TShown = test::TRecordingDialogs::TShown;
using TIcon = base::TDialogsPort::TIcon;

class FormBookmarkTest : public ::testing::Test {
protected:
  FormBookmarkTest() : form_(home_.Path(), dialogs_, trash_.Path() / "Trash", queue_) {}

  // "Enregistrer ves .bmf", then the main queue until the save has ended.
  void SaveBookmarkFile() {
    form_.ClickSaveBookmarkFile();
    queue_.RunUntil([this] { return !form_.Saving(); });
  }

  fs::path Library() const { return home_.Path() / "UrlFiles"; }
  void Shortcut(const fs::path& relative, std::string_view url) const {
    fs::create_directories((Library() / relative).parent_path());
    WriteShortcutFile(Library() / relative, url);
  }
  TNodeId Id(const fs::path& relative) const {
    const auto id = form_.FindNode(Library() / relative);
    if (!id) throw std::runtime_error("no node " + relative.string());
    return *id;
  }
  const TBookmarkNode& NodeOf(const fs::path& relative) const { return *form_.Node(Id(relative)); }
  static TShown Error(std::string_view text) { return {std::string(text), "Error", TIcon::Error}; }
  std::vector<std::string> Captions(const std::vector<TBookmarkNode>& nodes) const {
    std::vector<std::string> captions;
    for (const auto& node : nodes) captions.push_back(node.caption);
    std::sort(captions.begin(), captions.end());
    return captions;
  }

  test::TTempHome home_;
  test::TTempDir trash_;
  test::TRecordingDialogs dialogs_;
  base::TMainQueue queue_;
  TFormBookmark form_;
};

TEST_F(FormBookmarkTest, LoadsTheLibraryAsATreeWithIcons) {
  Shortcut("web/a.url", "https://secure/");
  Shortcut("web/deep/b.url", "http://plain/");
  Shortcut("ftp.url", "FTP://files/");
  Shortcut("news.url", "news:comp.lang");
  Shortcut("mail.url", "mailto:x@y");
  test::WriteFile(Library() / "nourl.url", "[InternetShortcut]\r\nIconIndex=1\r\n");
  test::WriteFile(Library() / "notes.txt", std::string("\0binary", 7));
  form_.Open();

  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("ftp.url", "mail.url", "news.url", "notes.txt", "nourl.url", "web"));
  const struct {
    const char* path;
    int icon;
  } icons[] = {{"web", kFolderIcon},   {"web/a.url", kHttpIcon},  {"web/deep", kFolderIcon},
               {"web/deep/b.url", kHttpIcon}, {"ftp.url", kFtpIcon}, {"news.url", kNewsIcon},
               {"mail.url", kOtherIcon}, {"nourl.url", kOtherIcon}, {"notes.txt", kOtherIcon}};
  for (const auto& expected : icons) {
    const TBookmarkNode& node = NodeOf(expected.path);
    EXPECT_EQ(node.icon, expected.icon) << expected.path;
    EXPECT_EQ(node.isFolder, expected.icon == kFolderIcon) << expected.path;
    EXPECT_FALSE(node.ticked);
    EXPECT_EQ(node.path, Library() / expected.path);
  }
  EXPECT_THAT(Captions(NodeOf("web").children), ElementsAre("a.url", "deep"));
  EXPECT_FALSE(form_.Selected());
}

TEST_F(FormBookmarkTest, ALinkedFolderIsShownButNotEntered) {
  fs::create_directories(Library() / "loop");
  fs::create_directory_symlink(Library(), Library() / "loop" / "back");
  form_.Open();
  EXPECT_TRUE(NodeOf("loop/back").isFolder);
  EXPECT_THAT(NodeOf("loop/back").children, IsEmpty());
}

TEST_F(FormBookmarkTest, SavingWithNothingSelectedWritesIntoTheLibrary) {
  form_.Open();
  form_.SetEdtFileName("x");
  form_.SetEdtURL("http://example.com/");
  form_.ClickSaveBookmark();
  EXPECT_EQ(test::ReadFile(Library() / "x.url"), "[InternetShortcut]\r\nURL=http://example.com/\r\n");
  EXPECT_EQ(NodeOf("x.url").icon, kHttpIcon);
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, SavingIntoTheSelectedFolderKeepsItSelected) {
  fs::create_directories(Library() / "folder");
  form_.Open();
  form_.ClickNode(Id("folder"));
  form_.SetEdtFileName("y.url");  // ".url" is added all the same
  form_.SetEdtURL("ftp://f/");
  form_.ClickSaveBookmark();
  EXPECT_EQ(ReadShortcutUrl(Library() / "folder" / "y.url.url"), "ftp://f/");
  EXPECT_EQ(form_.Selected(), Id("folder"));

  form_.ClickSelectRoot();
  form_.SetEdtFileName("z");
  form_.ClickSaveBookmark();
  EXPECT_TRUE(fs::exists(Library() / "z.url"));
}

TEST_F(FormBookmarkTest, SavingWhileAFileIsSelectedIsRefused) {
  Shortcut("a.url", "http://a/");
  form_.Open();
  form_.ClickNode(Id("a.url"));
  form_.SetEdtFileName("b");
  form_.ClickSaveBookmark();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error("Url must be put in a directory")));
  EXPECT_FALSE(fs::exists(Library() / "b.url"));
  EXPECT_FALSE(fs::exists(Library() / "a.url" / "b.url"));
}

TEST_F(FormBookmarkTest, TypedNamesStayInsideTheTargetFolder) {
  form_.Open();
  for (const char* name : {"../escape", "a/b", "..", "/abs"}) {
    form_.SetEdtFileName(name);
    form_.SetEdtURL("http://n/");
    form_.ClickSaveBookmark();
  }
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("%2Fabs.url", "..%2Fescape.url", "...url", "a%2Fb.url"));
  EXPECT_FALSE(fs::exists(home_.Path() / "escape.url"));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, AMissingLibraryIsMadeAtOpening) {
  fs::remove_all(Library());
  form_.Open();
  EXPECT_THAT(form_.Nodes(), IsEmpty());
  form_.SetEdtFileName("x");
  form_.ClickSaveBookmark();
  EXPECT_EQ(test::ReadFile(Library() / "x.url"), "[InternetShortcut]\r\nURL=\r\n");
}

TEST_F(FormBookmarkTest, ALibraryThatIsAFileShowsNothingAndRefusesSaves) {
  fs::remove_all(Library());
  test::WriteFile(Library(), "not a folder");
  form_.Open();
  EXPECT_THAT(form_.Nodes(), IsEmpty());
  form_.SetEdtFileName("x");
  form_.ClickSaveBookmark();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error("Url must be put in a directory")));
  EXPECT_EQ(test::ReadFile(Library()), "not a folder");
}

TEST_F(FormBookmarkTest, ClickingANodeFillsTheBoxesOnlyForShortcutFiles) {
  Shortcut("dir/a.url", "news:x");
  Shortcut("UPPER.URL", "http://upper/");
  fs::create_directories(Library() / "folder.url");
  form_.Open();

  form_.ClickNode(Id("dir/a.url"));
  EXPECT_EQ(form_.EdtFileName(), "a.url");
  EXPECT_EQ(form_.EdtURL(), "news:x");
  EXPECT_EQ(form_.ClickPreview(), "news:x");

  for (const char* other : {"UPPER.URL", "folder.url", "dir"}) {
    form_.ClickNode(Id("dir/a.url"));
    form_.ClickNode(Id(other));
    EXPECT_EQ(form_.EdtFileName(), "") << other;
    EXPECT_EQ(form_.EdtURL(), "") << other;
    EXPECT_EQ(form_.Selected(), Id(other));
  }
  // The preview reads any selected file, whatever its name.
  form_.ClickNode(Id("UPPER.URL"));
  EXPECT_EQ(form_.ClickPreview(), "http://upper/");
  form_.ClickNode(Id("dir"));
  EXPECT_EQ(form_.ClickPreview(), "");
  form_.ClickSelectRoot();
  EXPECT_EQ(form_.ClickPreview(), "");
}

TEST_F(FormBookmarkTest, TheBookmarkFileHoldsTickedUrlsSortedWithoutCaseDuplicates) {
  Shortcut("one/upper.url", "http://site/Page");
  Shortcut("two/lower.url", "http://site/page");
  Shortcut("first.url", "ftp://first/");
  Shortcut("unticked.url", "http://aaa/");
  fs::create_directories(Library() / "empty");
  form_.Open();
  for (const char* path : {"one", "one/upper.url", "two/lower.url", "first.url", "empty"}) form_.SetTicked(Id(path), true);
  const std::string firstMet = Id("one") < Id("two") ? "http://site/Page" : "http://site/page";

  const fs::path chosen = home_.Path() / "urllist" / "list";
  dialogs_.choices.push_back(chosen);
  SaveBookmarkFile();

  EXPECT_EQ(test::ReadFile(chosen.string() + ".bmf"), "ftp://first/\r\n" + firstMet + "\r\n");
  EXPECT_THAT(dialogs_.prompts, ElementsAre(TShown{"*.bmf (*.bmf)", "Enregistrer ves .bmf", TIcon::None}));
}

TEST_F(FormBookmarkTest, AShortcutWithoutUrlGivesAnEmptyFirstLine) {
  test::WriteFile(Library() / "nourl.url", "[InternetShortcut]\r\n");
  Shortcut("a.url", "http://a/");
  form_.Open();
  form_.ClickTickAll();
  dialogs_.choices.push_back(home_.Path() / "urllist" / "x.bmf");
  SaveBookmarkFile();
  EXPECT_EQ(test::ReadFile(home_.Path() / "urllist" / "x.bmf"), "\r\nhttp://a/\r\n");
}

TEST_F(FormBookmarkTest, CancellingTheSaveDialogWritesNothing) {
  Shortcut("a.url", "http://a/");
  form_.Open();
  form_.ClickTickAll();
  SaveBookmarkFile();
  EXPECT_THAT(dialogs_.prompts.size(), 1u);
  EXPECT_TRUE(fs::is_empty(home_.Path() / "urllist"));
}

TEST_F(FormBookmarkTest, AnUnwritableBookmarkFileGivesTheSystemError) {
  form_.Open();
  std::optional<TBookmarkFileSave> saved;
  const base::TConnection connection = form_.BookmarkFileSaved.Connect([&](const TBookmarkFileSave& end) {
    EXPECT_THAT(dialogs_.messages, ElementsAre(Error(" No such file or directory")));
    saved = end;
  });
  dialogs_.choices.push_back(home_.Path() / "no" / "such" / "x.bmf");
  SaveBookmarkFile();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error(" No such file or directory")));
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->file, home_.Path() / "no" / "such" / "x.bmf");
  EXPECT_EQ(saved->error, std::errc::no_such_file_or_directory);
}

TEST_F(FormBookmarkTest, ASaveReadsAndWritesWhileTheMainQueueGoesOn) {
  TBookmarkList expected;
  for (int i = 0; i < 300; ++i) {
    const std::string url = "http://site/" + std::to_string(i % 250);
    Shortcut("many/" + std::to_string(i) + ".url", url);
    expected.Add(url);
  }
  test::TThreadGate gate;
  TFormBookmark form(home_.Path(), dialogs_, trash_.Path() / "Trash", queue_, gate.ThreadStart());
  const test::TThreadGate::TOpenOnExit openOnExit{gate};  // before the editor waits for its thread
  form.Open();
  form.ClickTickAll();
  std::vector<std::pair<size_t, size_t>> moves;
  std::optional<TBookmarkFileSave> saved;
  base::TConnections listening;
  listening += form.SaveProgress.Connect([&](size_t done, size_t total) { moves.emplace_back(done, total); });
  listening += form.BookmarkFileSaved.Connect([&](const TBookmarkFileSave& end) { saved = end; });
  const fs::path chosen = home_.Path() / "urllist" / "many.bmf";
  dialogs_.choices.push_back(chosen);
  form.ClickSaveBookmarkFile();

  EXPECT_TRUE(form.Saving());
  bool ran = false;
  queue_.Post([&] { ran = true; });
  queue_.RunPending();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(fs::exists(chosen));

  gate.Open();
  queue_.RunUntil([&] { return saved.has_value(); });
  EXPECT_FALSE(form.Saving());
  EXPECT_EQ(saved->file, chosen);
  EXPECT_FALSE(saved->error);
  EXPECT_EQ(test::ReadFile(chosen), BookmarkFileText(expected.Urls()));
  // The folder and its 300 shortcuts are ticked.
  ASSERT_GT(moves.size(), 1u);
  for (size_t i = 1; i < moves.size(); ++i) {
    EXPECT_GT(moves[i].first, moves[i - 1].first);
    EXPECT_EQ(moves[i].second, 301u);
  }
  EXPECT_EQ(moves.back(), std::make_pair(size_t{301}, size_t{301}));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, DeletingATickedFolderTrashesItsShortcutsThenRemovesIt) {
  Shortcut("full/a.url", "http://a/");
  Shortcut("full/b.url", "http://b/");
  Shortcut("partial/c.url", "http://c/");
  Shortcut("partial/d.url", "http://d/");
  Shortcut("keep.url", "http://keep/");
  form_.Open();
  form_.ClickTickAll();
  form_.SetTicked(Id("partial/d.url"), false);
  form_.SetTicked(Id("keep.url"), false);
  form_.ClickDelete();

  EXPECT_FALSE(fs::exists(Library() / "full"));
  EXPECT_FALSE(fs::exists(Library() / "partial" / "c.url"));
  EXPECT_TRUE(fs::exists(Library() / "partial" / "d.url"));
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("keep.url", "partial"));
  EXPECT_THAT(Captions(NodeOf("partial").children), ElementsAre("d.url"));
  EXPECT_TRUE(NodeOf("partial").ticked);
  for (const char* name : {"a.url", "b.url", "c.url"}) {
    EXPECT_TRUE(fs::exists(trash_.Path() / "Trash" / "files" / name)) << name;
    EXPECT_TRUE(fs::exists(trash_.Path() / "Trash" / "info" / (std::string(name) + ".trashinfo"))) << name;
  }
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, AFolderThatCannotBeRemovedStaysWithTheSystemError) {
  fs::create_directories(Library() / "busy");
  form_.Open();
  test::WriteFile(Library() / "busy" / "appeared.txt", "x");  // after the tree was loaded
  form_.SetTicked(Id("busy"), true);
  form_.ClickDelete();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error(" Directory not empty")));
  EXPECT_TRUE(form_.FindNode(Library() / "busy"));
}

TEST_F(FormBookmarkTest, ImportingCopiesTheFolderContentIntoTheTarget) {
  const fs::path source = home_.Path() / "Favorites";
  fs::create_directories(source / "Links");
  test::WriteFile(source / "a.url", "[InternetShortcut]\r\nURL=http://new/\r\n");
  test::WriteFile(source / "Links" / "b.url", "[InternetShortcut]\r\nURL=http://b/\r\n");
  test::WriteFile(source / "desktop.ini", "other files come too");
  Shortcut("a.url", "http://old/");
  form_.Open();
  EXPECT_EQ(form_.ImportFolder(), source);
  form_.ClickImport();

  EXPECT_EQ(ReadShortcutUrl(Library() / "a.url"), "http://new/");
  EXPECT_EQ(ReadShortcutUrl(Library() / "Links" / "b.url"), "http://b/");
  EXPECT_EQ(test::ReadFile(Library() / "desktop.ini"), "other files come too");
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("Links", "a.url", "desktop.ini"));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, ImportingWhileAFileIsSelectedDoesNothing) {
  Shortcut("a.url", "http://a/");
  const fs::path source = home_.Path() / "Favorites";
  fs::create_directories(source);
  test::WriteFile(source / "b.url", "x");
  form_.Open();
  form_.ClickNode(Id("a.url"));
  form_.ClickImport();
  EXPECT_FALSE(fs::exists(Library() / "b.url"));
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("a.url"));
}

TEST_F(FormBookmarkTest, ImportingAFolderIntoItsOwnSubFolderCopiesItOnce) {
  Shortcut("sub/a.url", "http://a/");
  form_.Open();
  form_.SetImportFolder(Library());
  form_.ClickNode(Id("sub"));
  form_.ClickImport();
  EXPECT_EQ(ReadShortcutUrl(Library() / "sub" / "sub" / "a.url"), "http://a/");
  EXPECT_FALSE(fs::exists(Library() / "sub" / "sub" / "sub"));
  form_.ClickSelectRoot();
  form_.ClickImport();  // into itself: nothing to copy
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, ImportingAMissingFolderGivesTheSystemError) {
  form_.Open();
  form_.SetImportFolder(home_.Path() / "absent");
  form_.ClickImport();
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error(" No such file or directory")));
}

TEST_F(FormBookmarkTest, DroppingMovesTheSelectedNodeIntoTheFolderUnderThePointer) {
  Shortcut("a/x.url", "http://x/");
  Shortcut("a/inner/y.url", "http://y/");
  Shortcut("b/z.url", "http://z/");
  form_.Open();
  form_.SetTicked(Id("a/inner/y.url"), true);
  form_.ClickNode(Id("a/inner"));
  form_.DropOnNode(Id("b"));

  EXPECT_TRUE(fs::exists(Library() / "b" / "inner" / "y.url"));
  EXPECT_FALSE(fs::exists(Library() / "a" / "inner"));
  const TBookmarkNode& b = NodeOf("b");
  ASSERT_EQ(b.children.size(), 2u);
  EXPECT_EQ(b.children.back().caption, "inner");
  EXPECT_EQ(form_.Selected(), Id("b/inner"));
  const TBookmarkNode& moved = NodeOf("b/inner/y.url");
  EXPECT_TRUE(moved.ticked);
  EXPECT_THAT(Captions(NodeOf("a").children), ElementsAre("x.url"));

  // A top-level folder with everything below it; the paths below it follow.
  form_.ClickNode(Id("a"));
  form_.DropOnNode(Id("b"));
  EXPECT_EQ(ReadShortcutUrl(Library() / "b" / "a" / "x.url"), "http://x/");
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("b"));
  EXPECT_EQ(NodeOf("b/a/x.url").path, Library() / "b" / "a" / "x.url");
  EXPECT_EQ(form_.Selected(), Id("b/a"));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FormBookmarkTest, DroppingOntoAFileOrBadTargetsIsRefused) {
  Shortcut("a/x.url", "http://x/");
  Shortcut("a/sub/y.url", "http://y/");
  Shortcut("b/x.url", "http://other/");
  form_.Open();

  form_.ClickNode(Id("a/x.url"));
  form_.DropOnNode(Id("b/x.url"));
  form_.DropOnNode(Id("b"));  // a file of that name is there already
  form_.ClickNode(Id("a"));
  form_.DropOnNode(Id("a/sub"));  // into its own sub-folder
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error("You can't move a file over another file..."),
                                             Error(" File exists"), Error(" Invalid argument")));
  EXPECT_EQ(ReadShortcutUrl(Library() / "b" / "x.url"), "http://other/");
  EXPECT_EQ(ReadShortcutUrl(Library() / "a" / "x.url"), "http://x/");
  EXPECT_TRUE(fs::exists(Library() / "a" / "sub" / "y.url"));
}

TEST_F(FormBookmarkTest, DroppingWithNothingSelectedDoesNothing) {
  fs::create_directories(Library() / "b");
  form_.Open();
  form_.DropOnNode(Id("b"));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_THAT(Captions(form_.Nodes()), ElementsAre("b"));
}

// --- Change events ---

TEST_F(FormBookmarkTest, TickingAndClickingTellTheRowsAndBoxesThatChanged) {
  using TField = TFormBookmark::TField;
  Shortcut("a.url", "http://127.0.0.1/a");
  Shortcut("dir/b.url", "http://127.0.0.1/b");
  form_.Open();
  test::TChangeRecorder<TField> recorder(form_.Changed);
  form_.ClickTickNone();  // nothing ticked yet
  EXPECT_TRUE(recorder.changes.empty());
  const TNodeId inner = Id("dir/b.url");
  form_.SetTicked(inner, true);
  EXPECT_EQ(recorder.Take(),
            (std::vector<base::TFieldChange<TField>>{{TField::Nodes, base::TListChange::Changed(inner.front())}}));
  form_.ClickNode(Id("a.url"));
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Selected, TField::EdtFileName, TField::EdtURL}));
}

}  // namespace
}  // namespace varnelo::retrieval
