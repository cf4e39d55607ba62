#include "forms/new_robot_frm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_keys.h"
#include "forms/robot_editor_input.h"
#include "search/engine_activity.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::config {
namespace {
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TShown = test::TRecordingDialogs::TShown;
using TIcon = base::TDialogsPort::TIcon;

// The recording dialogs, which also keep the folder each chooser opens on.
class TChooserDialogs : public test::TRecordingDialogs {
public:
  std::optional<fs::path> ChooseOpenFile(std::string_view caption, std::string_view filter,
                                         const fs::path& start) override {
    starts.push_back(start);
    return TRecordingDialogs::ChooseOpenFile(caption, filter, start);
  }
  std::optional<fs::path> ChooseSaveFile(std::string_view caption, std::string_view filter,
                                         const fs::path& start) override {
    starts.push_back(start);
    return TRecordingDialogs::ChooseSaveFile(caption, filter, start);
  }
  std::optional<fs::path> ChooseFolder(std::string_view caption, const fs::path& start) override {
    starts.push_back(start);
    return TRecordingDialogs::ChooseFolder(caption, start);
  }
  std::vector<fs::path> starts;
};

TShown Error(std::string_view text) { return {std::string(text), "Erreur", TIcon::Error}; }

// The home's path in place of every "{home}".
std::string InHome(std::string text, const fs::path& home) {
  const std::string marker = "{home}";
  for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at)) {
    text.replace(at, marker.size(), home.string());
  }
  return text;
}

class NewRobotFrmTest : public ::testing::Test {
protected:
  NewRobotFrmTest() { menu_.Build(Store(), TConfigStore(home_.Path() / "Category.ini"), Home() / "favicon"); }

  const fs::path& Home() const { return home_.Path(); }
  TConfigStore Store() const { return TConfigStore(home_.RobotConfigPath()); }
  std::vector<std::string> Section(std::string_view robot) const { return Store().ReadSectionValues(robot); }

  TNewRobotFrm Editor() {
    return TNewRobotFrm(Home(), dialogs_, menu_, [this](const std::string& name) { registered_.push_back(name); });
  }
  // A file of the home, made with `content`; its full path.
  fs::path MakeFile(const fs::path& relative, std::string_view content = "") const {
    const fs::path file = Home() / relative;
    fs::create_directories(file.parent_path());
    test::WriteFile(file, content);
    return file;
  }

  test::TTempHome home_{test::kNoRobots};
  TChooserDialogs dialogs_;
  search::TQuickSearchMenu menu_;
  std::vector<std::string> registered_;
};

// --- Opening ---------------------------------------------------------------------------------------

TEST_F(NewRobotFrmTest, ANewRobotStartsEmptyOnTheSearchEnginePageWithTheNewRobotDefaults) {
  MakeFile("Category.ini", "[General]\r\n[News]\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  EXPECT_TRUE(editor.NameEditable());
  EXPECT_EQ(editor.robotName, "");
  EXPECT_EQ(editor.nbSimul, "1");
  EXPECT_EQ(editor.ActivePage(), TNewRobotFrm::kSearchEnginePage);
  EXPECT_EQ(editor.Kind(), kind::kSearchEngine);
  EXPECT_THAT(editor.searchEngine.categories, ElementsAre("General", "News"));
  EXPECT_EQ(editor.keywordSearch.contentType, "text/*");
  EXPECT_EQ(editor.keywordSearch.maximalSize, "10000M");
  EXPECT_EQ(editor.keywordSearch.webSiteName, "Nom du site web");
  EXPECT_EQ(editor.backup.contentType, "*/*");
  EXPECT_EQ(editor.backup.maximalSize, "10000M");
  EXPECT_EQ(editor.backup.webSiteName, "Web site name");
}

TEST_F(NewRobotFrmTest, SwitchingPagesSwitchesTheKind) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  for (size_t page = 0; page < kRobotKinds.size(); ++page) {
    editor.SetActivePage(page);
    EXPECT_EQ(editor.Kind(), kRobotKinds[page].dataFrom);
  }
  editor.SetActivePage(kRobotKinds.size());
  EXPECT_EQ(editor.ActivePage(), kRobotKinds.size() - 1);
}

// A section written by hand with only its kind: what the editor shows for the missing keys.
TEST_F(NewRobotFrmTest, LoadingUsesTheEditorDefaultsForMissingKeys) {
  const fs::path dictionary = MakeFile("dictionary/words.txt", "a\r\n");
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\n[dictionary]\r\nfile1=" + dictionary.string() +
                      "\r\n[S]\r\nDataFrom=Search engine functionality\r\n[K]\r\nDataFrom=Web Site Keywords Search\r\n"
                      "[L]\r\nDataFrom=Read Local File\r\n[Q]\r\nDataFrom=Random Http Query\r\n"
                      "[N]\r\nnbsimul=3\r\n[U]\r\nDataFrom=Something else\r\n");
  TNewRobotFrm editor = Editor();

  editor.OpenExisting("S");
  EXPECT_FALSE(editor.NameEditable());
  EXPECT_EQ(editor.robotName, "S");
  EXPECT_EQ(editor.nbSimul, "1");
  EXPECT_TRUE(editor.searchEngine.sendToScript);
  EXPECT_TRUE(editor.searchEngine.seeOnScreen);
  EXPECT_FALSE(editor.searchEngine.allRssInOneWindow);
  EXPECT_EQ(editor.searchEngine.category, "General");

  editor.OpenExisting("K");
  EXPECT_EQ(editor.ActivePage(), TNewRobotFrm::kKeywordSearchPage);
  EXPECT_EQ(editor.keywordSearch.contentType, "*/*");
  EXPECT_EQ(editor.keywordSearch.maximalSize, "10000M");
  EXPECT_EQ(editor.keywordSearch.webSiteName, "Web site Name");
  EXPECT_THAT(editor.keywordSearch.startUrls.Urls(), IsEmpty());

  editor.OpenExisting("L");
  EXPECT_TRUE(editor.localFile.seeOnScreen);
  EXPECT_FALSE(editor.localFile.sendToScript);

  editor.OpenExisting("Q");  // no `dict`: dictionary 1
  EXPECT_EQ(editor.randomQuery.dictionary, dictionary.string());

  editor.OpenExisting("N");  // no `DataFrom`: the specified pages
  EXPECT_EQ(editor.ActivePage(), TNewRobotFrm::kSpecifiedPagesPage);
  EXPECT_EQ(editor.nbSimul, "3");
  EXPECT_TRUE(editor.specifiedPages.seeOnScreen);

  editor.OpenExisting("U");  // an unknown kind leaves the random query page
  EXPECT_EQ(editor.ActivePage(), TNewRobotFrm::kRandomQueryPage);
  EXPECT_EQ(editor.randomQuery, TRandomQueryPage{});
}

TEST_F(NewRobotFrmTest, TheEngineListShowsTheFolderWithTheActivityOfEachEngine) {
  MakeFile("Robot Definitions/S/on");
  MakeFile("Robot Definitions/S/off");
  MakeFile("Robot Definitions/S/unlisted");
  search::SetEngineActive(Home(), "S", "off", false);
  search::SetEngineActive(Home(), "S", "on", true);
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\n[dictionary]\r\n[S]\r\nDataFrom=Search engine functionality\r\niconfile=s.ico\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenExisting("S");
  std::vector<TEngineEntry> engines = editor.searchEngine.engines;
  std::sort(engines.begin(), engines.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  EXPECT_THAT(engines, ElementsAre(TEngineEntry{"off", false}, TEngineEntry{"on", true},
                                   TEngineEntry{"unlisted", true}));

  EXPECT_EQ(editor.IconPreview(), std::nullopt);
  const fs::path icon = MakeFile("favicon/s.ico", "ico");
  EXPECT_EQ(editor.IconPreview(), icon);
}

// --- Saving: the checks ------------------------------------------------------------------------------

struct TCheckCase {
  const char* label;
  void (*fill)(TNewRobotFrm& editor, const fs::path& home);
  const char* message;  // nullptr: the save ends without one
};

void PageOf(TNewRobotFrm& editor, size_t page) {
  editor.robotName = "R";
  editor.SetActivePage(page);
}

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  test::WriteFile(file, "x");
}

const TCheckCase kCheckCases[] = {
    {"EmptyName", [](TNewRobotFrm& e, const fs::path&) { e.robotName.clear(); },
     "Le robot doit avoir un nom et doit contenir moins de 30 caractères"},
    {"NameOf31Characters", [](TNewRobotFrm& e, const fs::path&) { e.robotName = std::string(31, 'a'); },
     "Le robot doit avoir un nom et doit contenir moins de 30 caractères"},
    {"NameOfTheGeneralSection", [](TNewRobotFrm& e, const fs::path&) { e.robotName = "GENERAL"; },
     "Le nom du robot ne peut pas être general, dictionary ni bookmarks"},
    {"NameOfTheBookmarksSection", [](TNewRobotFrm& e, const fs::path&) { e.robotName = "bookmarks"; },
     "Le nom du robot ne peut pas être general, dictionary ni bookmarks"},
    {"NameWithABracket", [](TNewRobotFrm& e, const fs::path&) { e.robotName = "a]b"; },
     "Le nom du robot ne peut pas contenir \"]\""},
    {"NameWithASlash", [](TNewRobotFrm& e, const fs::path&) { e.robotName = "../x"; },
     "Le nom du robot ne peut pas contenir \"/\""},
    {"NameOfTheParentFolder", [](TNewRobotFrm& e, const fs::path&) { e.robotName = ".."; },
     "Le nom du robot ne peut pas être \".\" ni \"..\""},
    {"NameWithOuterBlanks", [](TNewRobotFrm& e, const fs::path&) { e.robotName = " R"; },
     "Le nom du robot ne peut pas commencer ni finir par un blanc"},
    {"SearchEngineWithoutEngines",
     [](TNewRobotFrm& e, const fs::path&) {
       PageOf(e, TNewRobotFrm::kSearchEnginePage);
       e.searchEngine.sendToScript = true;  // checked later
     },
     "Doit contenir au moins un fichier de définition"},
    {"SearchEngineWithAMissingEngine",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSearchEnginePage);
       Touch(home / "Robot Definitions/R/there");
       e.searchEngine.engines = {{"there"}, {"ghost"}};
     },
     "Fichier ghost n'existe pas"},
    {"SearchEngineWithAMissingScript",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSearchEnginePage);
       Touch(home / "Robot Definitions/R/there");
       e.searchEngine.engines = {{"there"}};
       e.searchEngine.sendToScript = true;
       e.searchEngine.scriptName = (home / "missing.pas").string();
     },
     "Le script spécifié n'existe pas"},
    {"LocalFileMissing",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kLocalFilePage);
       e.localFile.localFile = (home / "missing.txt").string();
       e.localFile.sendToScript = true;
     },
     "Le fichier n'existe pas"},
    {"LocalFileIsAFolder",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kLocalFilePage);
       e.localFile.localFile = (home / "temp").string();
     },
     "Le fichier n'existe pas"},
    {"LocalFileWithAMissingScript",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kLocalFilePage);
       Touch(home / "in.txt");
       e.localFile.localFile = (home / "in.txt").string();
       e.localFile.sendToScript = true;
     },
     "Le script spécifié n'existe pas"},
    {"ScriptMissing",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kScriptPage);
       e.script.scriptName = (home / "missing.pas").string();
     },
     "Le fichier de script pascal n'existe pas"},
    {"RandomQueryDictionaryMissing",
     [](TNewRobotFrm& e, const fs::path&) { PageOf(e, TNewRobotFrm::kRandomQueryPage); },
     "Le fichier dictionnaire doit exister"},
    {"RandomQueryDefinitionMissing",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kRandomQueryPage);
       Touch(home / "dictionary/words.txt");
       e.randomQuery.dictionary = (home / "dictionary/words.txt").string();
       e.randomQuery.robotDefFile = "missing.def";
       e.randomQuery.sendToScript = true;
     },
     nullptr},
    {"RandomQueryWithAMissingScript",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kRandomQueryPage);
       Touch(home / "dictionary/words.txt");
       Touch(home / "Robot Definitions/q.def");
       e.randomQuery.dictionary = (home / "dictionary/words.txt").string();
       e.randomQuery.robotDefFile = "q.def";
       e.randomQuery.sendToScript = true;
     },
     "Le script spécifié n'existe pas"},
    {"SpecifiedPagesBookmarkFileMissing",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSpecifiedPagesPage);
       e.specifiedPages.bookmarkFile = (home / "urllist/missing.bmf").string();
     },
     "Le fichier n'existe pas"},
    {"SpecifiedPagesWithAMissingScript",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSpecifiedPagesPage);
       Touch(home / "urllist/b.bmf");
       e.specifiedPages.bookmarkFile = (home / "urllist/b.bmf").string();
       e.specifiedPages.sendToScript = true;
     },
     "Le script spécifié n'existe pas"},
    {"BackupWithABadUrl",
     [](TNewRobotFrm& e, const fs::path&) {
       PageOf(e, TNewRobotFrm::kBackupPage);
       e.backup.startUrls.Assign({"http://127.0.0.1/", "gopher://127.0.0.1/"});
     },
     "Erreur dans le URL"},
    {"KeywordSearchWithABadUrl",
     [](TNewRobotFrm& e, const fs::path&) {
       PageOf(e, TNewRobotFrm::kKeywordSearchPage);
       e.keywordSearch.startUrls.Assign({"http://:80/"});
     },
     "Erreur dans le URL"},
    {"KeywordSearchWithBlankKeywords",
     [](TNewRobotFrm& e, const fs::path&) {
       PageOf(e, TNewRobotFrm::kKeywordSearchPage);
       e.keywordSearch.startUrls.Assign({"http://127.0.0.1/"});
       e.keywordSearch.keywords = " \t ";
     },
     "Vous devez entrer des mots-clés à chercher"},
};

class RobotSaveCheckTest : public NewRobotFrmTest, public ::testing::WithParamInterface<TCheckCase> {};

TEST_P(RobotSaveCheckTest, ARefusedSaveShowsItsMessageAndWritesNothing) {
  const std::string before = test::ReadFile(home_.RobotConfigPath());
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  GetParam().fill(editor, Home());
  EXPECT_FALSE(editor.ClickSave());
  if (GetParam().message) {
    EXPECT_THAT(dialogs_.messages, ElementsAre(Error(GetParam().message)));
  } else {
    EXPECT_THAT(dialogs_.messages, IsEmpty());
  }
  EXPECT_EQ(test::ReadFile(home_.RobotConfigPath()), before);
  EXPECT_THAT(registered_, IsEmpty());
  EXPECT_TRUE(editor.NameEditable());
  EXPECT_FALSE(fs::exists(Home() / "R.url"));
}

INSTANTIATE_TEST_SUITE_P(Pages, RobotSaveCheckTest, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- Saving: the keys of each page ------------------------------------------------------------------

struct TPageCase {
  const char* label;
  void (*fill)(TNewRobotFrm& editor, const fs::path& home);
  std::vector<std::string> keys;  // after robotno, name, nbsimul and DataFrom; "{home}" is the home
  const char* urlFile;            // the content of R.url, or nullptr for none
};

const TPageCase kPageCases[] = {
    {"SearchEngine",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSearchEnginePage);
       Touch(home / "Robot Definitions/R/first");
       Touch(home / "Robot Definitions/R/second");
       e.searchEngine.engines = {{"first", true}, {"second", false}};
       e.searchEngine.sendToScript = false;
       e.searchEngine.scriptName = "unused.pas";
       e.searchEngine.seeOnScreen = true;
       e.searchEngine.allRssInOneWindow = true;
       e.iconFile = "r.ico";
     },
     {"SendToScript=0", "ScriptName=unused.pas", "Category=General", "SeeOnScreen=1", "AllRSSInOneWindow=1",
      "iconfile=r.ico"},
     nullptr},
    {"KeywordSearch",
     [](TNewRobotFrm& e, const fs::path&) {
       PageOf(e, TNewRobotFrm::kKeywordSearchPage);
       e.keywordSearch.startUrls.Assign({"http://127.0.0.1:8080/a", "http://localhost/b"});
       e.keywordSearch.keywords = "chat noir";
       e.keywordSearch.contentType = "text/* , image/gif";
       e.keywordSearch.maximalSize = "10k";
       e.keywordSearch.webSiteName = "Chats";
     },
     {"Keywords=chat noir", "ContentType=text/* , image/gif", "MaximalSize=10k", "WebSiteName=Chats"},
     "http://127.0.0.1:8080/a\r\nhttp://localhost/b\r\n"},
    {"Backup",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kBackupPage);
       e.backup.startUrls.Assign({"http://127.0.0.1/"});
       e.backup.mhtFile = (home / "site.mht").string();
       e.backup.zipFile = (home / "site.zip").string();
       e.backup.contentType = "image/*";
       e.backup.webSiteName = "Site";
     },
     {"MhtFile={home}/site.mht", "zipFile={home}/site.zip", "ContentType=image/*", "MaximalSize=10000M",
      "WebSiteName=Site"},
     "http://127.0.0.1/\r\n"},
    {"LocalFile",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kLocalFilePage);
       Touch(home / "in.txt");
       Touch(home / "interpretercode/s.pas");
       e.localFile.localFile = (home / "in.txt").string();
       e.localFile.tempFileName = (home / "temp/out.html").string();
       e.localFile.seeOnScreen = false;
       e.localFile.sendToScript = true;
       e.localFile.scriptName = (home / "interpretercode/s.pas").string();
     },
     {"Local File={home}/in.txt", "TempFileName={home}/temp/out.html", "SeeOnScreen=0", "SendToScript=1",
      "ScriptName={home}/interpretercode/s.pas"},
     nullptr},
    {"SpecifiedPages",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kSpecifiedPagesPage);
       Touch(home / "urllist/b.bmf");
       e.specifiedPages.bookmarkFile = (home / "urllist/b.bmf").string();
       e.specifiedPages.saveDirectory = (home / "result").string();
     },
     {"Bookmarkfile={home}/urllist/b.bmf", "SendToScript=0", "ScriptName=", "SeeOnScreen=1",
      "SaveDirectory={home}/result"},
     nullptr},
    {"Script",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kScriptPage);
       Touch(home / "interpretercode/s.pas");
       e.script.scriptName = (home / "interpretercode/s.pas").string();
       e.script.tempFileName = (home / "temp/t.txt").string();
     },
     {"ScriptName={home}/interpretercode/s.pas", "SeeOnScreen=1", "TempFileName={home}/temp/t.txt"},
     nullptr},
    {"RandomQuery",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kRandomQueryPage);
       Touch(home / "dictionary/words.txt");
       Touch(home / "Robot Definitions/q.def");
       e.randomQuery.dictionary = (home / "dictionary/words.txt").string();
       e.randomQuery.robotDefFile = "q.def";
     },
     {"RobotDefFile=q.def", "SendToScript=0", "ScriptName="},
     nullptr},
};

class PageKeysTest : public NewRobotFrmTest, public ::testing::WithParamInterface<TPageCase> {};

TEST_P(PageKeysTest, TheCommonKeysThenThePageKeysInOrder) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  GetParam().fill(editor, Home());
  editor.nbSimul = "2";
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  std::vector<std::string> expected{"robotno=0", "name=R", "nbsimul=2",
                                    "DataFrom=" + std::string(kRobotKinds[editor.ActivePage()].dataFrom)};
  for (const std::string& line : GetParam().keys) expected.push_back(InHome(line, Home()));
  EXPECT_EQ(Section("R"), expected);
  if (GetParam().urlFile) {
    EXPECT_EQ(test::ReadFile(Home() / "R.url"), GetParam().urlFile);
  } else {
    EXPECT_FALSE(fs::exists(Home() / "R.url"));
  }
}

// What a page saves, it shows again when the robot is opened.
TEST_P(PageKeysTest, ARobotLoadsBackAsItWasSaved) {
  TNewRobotFrm saved = Editor();
  saved.OpenNew();
  GetParam().fill(saved, Home());
  ASSERT_TRUE(saved.ClickSave());
  if (saved.ActivePage() == TNewRobotFrm::kRandomQueryPage) {
    // The dictionary field shows the dictionary that `dict` names.
    Store().WriteString("dictionary", "file4", saved.randomQuery.dictionary);
    Store().WriteString("R", "dict", "4");
  }

  TNewRobotFrm loaded = Editor();
  loaded.OpenExisting("R");
  EXPECT_EQ(loaded.ActivePage(), saved.ActivePage());
  EXPECT_EQ(loaded.iconFile, saved.iconFile);
  std::sort(loaded.searchEngine.engines.begin(), loaded.searchEngine.engines.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  EXPECT_EQ(loaded.searchEngine, saved.searchEngine);
  EXPECT_EQ(loaded.keywordSearch, saved.keywordSearch);
  EXPECT_EQ(loaded.backup, saved.backup);
  EXPECT_EQ(loaded.localFile, saved.localFile);
  EXPECT_EQ(loaded.specifiedPages, saved.specifiedPages);
  EXPECT_EQ(loaded.script, saved.script);
  EXPECT_EQ(loaded.randomQuery, saved.randomQuery);
}

INSTANTIATE_TEST_SUITE_P(Pages, PageKeysTest, ::testing::ValuesIn(kPageCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(NewRobotFrmTest, TheSearchEnginePageWritesTheActivityOfEveryEngine) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[0].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(TConfigStore(Home() / "Robot Definitions/R/activeengine").ReadSectionValues("engineactivity"),
              ElementsAre("first=1", "second=0"));
}

// --- Saving: registering -----------------------------------------------------------------------------

TEST_F(NewRobotFrmTest, ANewRobotIsRegisteredOnceWithTheNextSlot) {
  Store().WriteInteger("general", "nextrobot", 5);
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(registered_, ElementsAre("R"));
  EXPECT_FALSE(editor.NameEditable());
  EXPECT_EQ(Store().ReadInteger("R", "robotno", -1), 5);
  EXPECT_EQ(Store().ReadInteger("general", "nextrobot", -1), 6);

  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(registered_, ElementsAre("R"));
  EXPECT_EQ(Store().ReadInteger("general", "nextrobot", -1), 6);
}

TEST_F(NewRobotFrmTest, ANewRobotNamedLikeAnExistingOneIgnoringCaseWritesIntoItsSection) {
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\nnextrobot=3\r\n[dictionary]\r\n[Robot]\r\nrobotno=2\r\nKeywords=old\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  editor.robotName = "ROBOT";
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(registered_, IsEmpty());
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_THAT(Store().ReadSections(), ElementsAre("general", "dictionary", "Robot"));
  EXPECT_EQ(Store().ReadInteger("Robot", "robotno", -1), 2);
  EXPECT_EQ(Store().ReadString("Robot", "Keywords", ""), "chat noir");
  EXPECT_EQ(Store().ReadInteger("general", "nextrobot", -1), 3);
}

TEST_F(NewRobotFrmTest, TheFirstRobotGetsSlotZeroWithoutNextRobot) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_EQ(Store().ReadString("R", "robotno", ""), "0");
  EXPECT_EQ(Store().ReadString("general", "nextrobot", ""), "1");
}

// --- Saving: name, nbsimul, kind ---------------------------------------------------------------------

TEST_F(NewRobotFrmTest, ANameOfThirtyCharactersIsAcceptedAndAThirtyFirstIsNot) {
  const std::string thirty(30, 'n');
  EXPECT_TRUE(AcceptsRobotName(thirty));
  EXPECT_FALSE(AcceptsRobotName(thirty + "n"));
  // Characters, not bytes: thirty accented letters are thirty characters.
  std::string accented;
  for (int i = 0; i < 30; ++i) accented += "é";
  EXPECT_TRUE(AcceptsRobotName(accented));
  EXPECT_FALSE(AcceptsRobotName(accented + "é"));

  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  editor.robotName = accented;
  EXPECT_TRUE(editor.ClickSave());
  EXPECT_EQ(Store().ReadString(accented, "name", ""), accented);
}

TEST(RobotEditorInputTest, TypingRules) {
  for (char key = '0'; key <= '9'; ++key) {
    EXPECT_TRUE(AcceptsNbSimulKey(key));
    EXPECT_TRUE(AcceptsIconFileKey(key));
  }
  EXPECT_TRUE(AcceptsNbSimulKey('\b'));
  for (const char key : {'a', '-', ' ', '.', '+'}) {
    EXPECT_FALSE(AcceptsNbSimulKey(key)) << key;
    EXPECT_FALSE(AcceptsIconFileKey(key)) << key;
  }
}

TEST(RobotEditorInputTest, CleaningRemovesTheForbiddenCharactersThenTrims) {
  EXPECT_EQ(CleanedName(" a\\b/c:d*e?f<g>h|i,j\"k "), "abcdefghijk");
  EXPECT_EQ(CleanedName("\\/:*?<>|,\""), "");
  EXPECT_EQ(CleanedName(" , name ; x "), "name ; x");
}

TEST_F(NewRobotFrmTest, NbSimulIsSavedAsTyped) {
  for (const std::string nbsimul : {"0", ""}) {
    TNewRobotFrm editor = Editor();
    editor.OpenNew();
    kPageCases[1].fill(editor, Home());
    editor.nbSimul = nbsimul;
    ASSERT_TRUE(editor.ClickSave());
    EXPECT_EQ(Store().ReadString("R", "nbsimul", "absent"), nbsimul);
  }
  // The runner reads the empty text as its default.
  EXPECT_EQ(Read(Store(), "R", key::kNbSimul), 1);
}

TEST_F(NewRobotFrmTest, ChangingTheKindOfARobotKeepsTheKeysOfTheOldKind) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());

  TNewRobotFrm changed = Editor();
  changed.OpenExisting("R");
  kPageCases[5].fill(changed, Home());
  ASSERT_TRUE(changed.ClickSave());
  EXPECT_EQ(Store().ReadString("R", "DataFrom", ""), kind::kScript);
  EXPECT_EQ(Store().ReadString("R", "Keywords", ""), "chat noir");
  EXPECT_EQ(Store().ReadString("R", "WebSiteName", ""), "Chats");
  EXPECT_TRUE(fs::exists(Home() / "R.url"));
  EXPECT_THAT(registered_, ElementsAre("R"));
}

// --- Saving: category and quick search menu ----------------------------------------------------------

TEST_F(NewRobotFrmTest, AnInvalidCategoryKeepsTheEditorOpenWithEveryOtherKeyWritten) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[0].fill(editor, Home());
  editor.searchEngine.category = "Nowhere";
  EXPECT_FALSE(editor.ClickSave());
  EXPECT_THAT(dialogs_.messages, ElementsAre(Error("vous devez choisir une catégorie valide")));
  EXPECT_THAT(registered_, ElementsAre("R"));
  EXPECT_FALSE(editor.NameEditable());
  EXPECT_THAT(Section("R"), ElementsAre("robotno=0", "name=R", "nbsimul=1", "DataFrom=Search engine functionality",
                                        "SendToScript=0", "ScriptName=unused.pas", "SeeOnScreen=1",
                                        "AllRSSInOneWindow=1", "iconfile=r.ico"));
  EXPECT_THAT(TConfigStore(Home() / "Robot Definitions/R/activeengine").ReadSectionValues("engineactivity"),
              ElementsAre("first=1", "second=0"));
  EXPECT_THAT(menu_.Entries().front().robots, IsEmpty());

  editor.searchEngine.category = "General";
  EXPECT_TRUE(editor.ClickSave());
  EXPECT_THAT(registered_, ElementsAre("R"));
  EXPECT_EQ(Store().ReadString("R", "Category", ""), "General");
}

TEST_F(NewRobotFrmTest, SavingASearchEngineRobotAddsThenUpdatesItsQuickSearchEntry) {
  ASSERT_EQ(menu_.Entries().size(), 1u);
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[0].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());  // r.ico does not exist: the default image
  ASSERT_THAT(menu_.Entries().front().robots,
              ElementsAre(search::TQuickSearchMenu::TItem{"R", search::TQuickSearchMenu::kDefaultImage}));

  const fs::path icon = MakeFile("favicon/other.ico", "ico");
  editor.iconFile = "other.ico";
  ASSERT_TRUE(editor.ClickSave());
  const auto& robots = menu_.Entries().front().robots;
  ASSERT_EQ(robots.size(), 1u);
  EXPECT_EQ(robots.front().caption, "R");
  EXPECT_EQ(menu_.Images().at(robots.front().image), icon);
}

TEST_F(NewRobotFrmTest, OtherKindsLeaveTheQuickSearchMenuAlone) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  kPageCases[1].fill(editor, Home());
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(menu_.Entries().front().robots, IsEmpty());
}

// --- Engine definitions ------------------------------------------------------------------------------

TEST_F(NewRobotFrmTest, NouveauCleansBothNamesAndMakesAnEmptyDefinitionThatIsSelected) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.robotName = " My:Robot? ";
  editor.searchEngine.engines = {{"old", true, true}};
  editor.searchEngine.definitionName = "<news>|feed";
  editor.ClickNewDefinition();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_EQ(editor.robotName, "MyRobot");
  EXPECT_EQ(editor.searchEngine.definitionName, "newsfeed");
  EXPECT_EQ(test::ReadFile(Home() / "Robot Definitions/MyRobot/newsfeed"), "");
  EXPECT_THAT(editor.searchEngine.engines,
              ElementsAre(TEngineEntry{"old", true, false}, TEngineEntry{"newsfeed", true, true}));
}

TEST_F(NewRobotFrmTest, NouveauOnAnExistingDefinitionKeepsItsContentAndSelectsIt) {
  const fs::path definition = MakeFile("Robot Definitions/R/engine", "[Properties]\r\ngetquery=http://127.0.0.1/?q=$_\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.robotName = "R";
  editor.searchEngine.engines = {{"engine", false, false}, {"other", true, true}};
  editor.searchEngine.definitionName = "engine";
  editor.ClickNewDefinition();
  EXPECT_EQ(test::ReadFile(definition), "[Properties]\r\ngetquery=http://127.0.0.1/?q=$_\r\n");
  EXPECT_THAT(editor.searchEngine.engines,
              ElementsAre(TEngineEntry{"engine", false, true}, TEngineEntry{"other", true, false}));
}

TEST_F(NewRobotFrmTest, NouveauRefusals) {
  struct TCase {
    const char* robot;
    const char* definition;
    const char* message;  // nullptr: nothing happens, silently
  };
  const TCase cases[] = {
      {"\\/:*?", "engine", "Le robot doit avoir un nom"},
      {"", "engine", "Le robot doit avoir un nom"},
      {"..", "engine", "Le nom du robot ne peut pas être \".\" ni \"..\""},
      {"R", "", nullptr},
      {"R", "\"*?\"", "La définition doit avoir un nom"},
      {"R", "activeengine", "Le nom de la définition ne peut pas être activeengine"},
      {"R", "..", "Le nom de la définition ne peut pas être \".\" ni \"..\""},
      {"R", "a=b", "Le nom de la définition ne peut pas contenir \"=\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.robot) + " / " + c.definition);
    dialogs_.messages.clear();
    TNewRobotFrm editor = Editor();
    editor.OpenNew();
    editor.robotName = c.robot;
    editor.searchEngine.definitionName = c.definition;
    editor.ClickNewDefinition();
    if (c.message) {
      EXPECT_THAT(dialogs_.messages, ElementsAre(Error(c.message)));
    } else {
      EXPECT_THAT(dialogs_.messages, IsEmpty());
    }
    EXPECT_THAT(editor.searchEngine.engines, IsEmpty());
    EXPECT_TRUE(fs::is_empty(Home() / "Robot Definitions"));
  }
}

// The name of an existing robot is its section: it is not cleaned, or the save would make another robot.
TEST_F(NewRobotFrmTest, NouveauKeepsTheNameOfAnExistingRobot) {
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\n[dictionary]\r\n[a,b]\r\nDataFrom=Search engine functionality\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenExisting("a,b");
  editor.searchEngine.definitionName = "engine";
  editor.ClickNewDefinition();
  EXPECT_EQ(editor.robotName, "a,b");
  EXPECT_TRUE(fs::exists(Home() / "Robot Definitions/a,b/engine"));
  editor.searchEngine.sendToScript = false;
  ASSERT_TRUE(editor.ClickSave());
  EXPECT_THAT(registered_, IsEmpty());
}

TEST_F(NewRobotFrmTest, EffacerDeletesTheFirstSelectedDefinitionWithoutAQuestion) {
  MakeFile("Robot Definitions/R/a");
  MakeFile("Robot Definitions/R/b");
  MakeFile("Robot Definitions/R/c");
  search::SetEngineActive(Home(), "R", "b", false);
  search::SetEngineActive(Home(), "R", "c", true);
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.robotName = "R";
  editor.searchEngine.engines = {{"a"}, {"b", false, true}, {"c", true, true}};
  editor.ClickDeleteDefinition();
  EXPECT_THAT(dialogs_.questions, IsEmpty());
  EXPECT_THAT(editor.searchEngine.engines, ElementsAre(TEngineEntry{"a"}, TEngineEntry{"c", true, true}));
  EXPECT_FALSE(fs::exists(Home() / "Robot Definitions/R/b"));
  EXPECT_TRUE(fs::exists(Home() / "Robot Definitions/R/c"));
  EXPECT_THAT(TConfigStore(Home() / "Robot Definitions/R/activeengine").ReadSection("engineactivity"),
              ElementsAre("c"));

  editor.searchEngine.engines.back().selected = false;
  editor.ClickDeleteDefinition();  // none selected
  EXPECT_EQ(editor.searchEngine.engines.size(), 2u);
  EXPECT_TRUE(fs::exists(Home() / "Robot Definitions/R/c"));
}

TEST_F(NewRobotFrmTest, RechargeReadsTheCategoriesAgain) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  MakeFile("Category.ini", "[General]\r\n[Video]\r\n");
  EXPECT_THAT(editor.searchEngine.categories, ElementsAre("General"));
  editor.ClickReloadCategories();
  EXPECT_THAT(editor.searchEngine.categories, ElementsAre("General", "Video"));
}

TEST_F(NewRobotFrmTest, ADoubleClickOpensTheEnginesDefinitionEditor) {
  MakeFile("Robot Definitions/R/engine", "[Properties]\r\ngetquery=http://127.0.0.1/?q=$_\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.robotName = "R";
  editor.searchEngine.engines = {{"engine"}};
  const std::optional<search::TSearchEngineDefFrm> definition = editor.EngineDefinitionEditor(0);
  ASSERT_TRUE(definition);
  EXPECT_EQ(definition->FilePath(), Home() / "Robot Definitions/R/engine");
  EXPECT_EQ(definition->url, "http://127.0.0.1/?q=$_");
  EXPECT_FALSE(editor.EngineDefinitionEditor(1));
}

// --- Start URLs ----------------------------------------------------------------------------------------

TEST(StartUrlListTest, AddTakesTheFieldAsItIsAndRemoveTakesEverySelectedEntry) {
  TStartUrlList list;
  for (const char* url : {"http://127.0.0.1/a", "not a url", "http://127.0.0.1/c", "d"}) {
    list.urlField = url;
    list.Add();
  }
  list.Select(0, true);
  list.Select(2, true);
  list.Select(9, true);
  list.RemoveSelected();
  EXPECT_THAT(list.Urls(), ElementsAre("not a url", "d"));
  EXPECT_THAT(list.Selected(), IsEmpty());
}

// --- Choosers and other dialogs ------------------------------------------------------------------------

TEST_F(NewRobotFrmTest, TheScriptChooserFillsThePathAndChecksTheSendToScriptBox) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  const fs::path chosen = Home() / "interpretercode/s.pas";
  for (const size_t page : {TNewRobotFrm::kSearchEnginePage, TNewRobotFrm::kLocalFilePage,
                            TNewRobotFrm::kSpecifiedPagesPage, TNewRobotFrm::kRandomQueryPage,
                            TNewRobotFrm::kScriptPage}) {
    editor.SetActivePage(page);
    dialogs_.choices.push_back(chosen);
    editor.ClickChooseScript();
  }
  EXPECT_EQ(editor.searchEngine.scriptName, chosen.string());
  EXPECT_TRUE(editor.searchEngine.sendToScript);
  EXPECT_EQ(editor.localFile.scriptName, chosen.string());
  EXPECT_TRUE(editor.localFile.sendToScript);
  EXPECT_EQ(editor.specifiedPages.scriptName, chosen.string());
  EXPECT_TRUE(editor.specifiedPages.sendToScript);
  EXPECT_EQ(editor.randomQuery.scriptName, chosen.string());
  EXPECT_TRUE(editor.randomQuery.sendToScript);
  EXPECT_EQ(editor.script.scriptName, chosen.string());
  EXPECT_THAT(dialogs_.starts, ::testing::Each(Home() / "interpretercode"));

  editor.ClickChooseScript();  // cancelled
  EXPECT_EQ(editor.script.scriptName, chosen.string());
}

TEST_F(NewRobotFrmTest, TheOtherChoosersFillTheirFieldsFromTheirFolders) {
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.SetActivePage(TNewRobotFrm::kScriptPage);
  editor.script.seeOnScreen = false;
  dialogs_.choices.push_back(Home() / "temp/t.txt");
  editor.ClickChooseTempFile();
  EXPECT_EQ(editor.script.tempFileName, (Home() / "temp/t.txt").string());
  EXPECT_TRUE(editor.script.seeOnScreen);

  editor.SetActivePage(TNewRobotFrm::kLocalFilePage);
  dialogs_.choices.push_back(Home() / "in.txt");
  editor.ClickChooseLocalFile();
  EXPECT_EQ(editor.localFile.localFile, (Home() / "in.txt").string());

  dialogs_.choices.push_back(Home() / "favicon/robot.ico");
  editor.ClickChooseIcon();
  EXPECT_EQ(editor.iconFile, "robot.ico");

  editor.SetActivePage(TNewRobotFrm::kSpecifiedPagesPage);
  dialogs_.choices.push_back(Home() / "result");
  editor.ClickChooseSaveDirectory();
  EXPECT_EQ(editor.specifiedPages.saveDirectory, (Home() / "result").string());
  EXPECT_EQ(dialogs_.prompts.back().caption, "Choisir un répertoire de destination");

  EXPECT_THAT(dialogs_.starts, ElementsAre(Home() / "temp", Home(), Home() / "favicon", Home()));
}

TEST_F(NewRobotFrmTest, TheBookmarkChooserRewritesTheFileAtOnce) {
  const fs::path file = MakeFile("urllist/b.bmf", "  http://b/ \r\n\r\nHTTP://A/\nhttp://a/\rhttp://c/\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.SetActivePage(TNewRobotFrm::kSpecifiedPagesPage);
  dialogs_.choices.push_back(file);
  editor.ClickChooseBookmarkFile();
  EXPECT_EQ(editor.specifiedPages.bookmarkFile, file.string());
  EXPECT_EQ(test::ReadFile(file), "HTTP://A/\r\nhttp://b/\r\nhttp://c/\r\n");
  EXPECT_THAT(dialogs_.starts, ElementsAre(Home() / "urllist"));
}

TEST_F(NewRobotFrmTest, TheDictionaryButtonNeedsANameThenOpensTheAssociationForTheRobot) {
  const fs::path dictionary = MakeFile("dictionary/words.txt", "a\r\n");
  test::WriteFile(home_.RobotConfigPath(), "[general]\r\n[dictionary]\r\nfile1=" + dictionary.string() +
                                               "\r\n[Q]\r\nDataFrom=Random Http Query\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.robotName = "  ";
  EXPECT_FALSE(editor.ClickChooseDictionary());
  EXPECT_THAT(dialogs_.messages, ElementsAre(TShown{"Le robot doit avoir un nom", "Error", TIcon::Error}));

  editor.OpenExisting("Q");
  std::optional<search::Tassociate> association = editor.ClickChooseDictionary();
  ASSERT_TRUE(association);
  EXPECT_THAT(association->Robots(), ElementsAre("Q"));
  association->ClickDictionary(0);
  editor.TakeDictionary(association->ClickSave());
  EXPECT_EQ(editor.randomQuery.dictionary, dictionary.string());
  EXPECT_EQ(Store().ReadString("Q", "dict", ""), "1");
}

TEST_F(NewRobotFrmTest, TheDefinitionBuilderGivesItsFileOnlyOnOk) {
  MakeFile("Robot Definitions/q.def", "[general]\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  editor.randomQuery.robotDefFile = "old.def";
  search::TFrmBuildRobotDef builder = editor.DefinitionFileBuilder();
  EXPECT_EQ(builder.fileName, "old.def");
  builder.fileName = "q.def";
  builder.ClickCancel();
  editor.TakeDefinitionFile(builder);
  EXPECT_EQ(editor.randomQuery.robotDefFile, "old.def");

  dialogs_.answers.push_back(base::TDialogsPort::TAnswer::No);  // choose without saving
  builder.ClickChoose();
  editor.TakeDefinitionFile(builder);
  EXPECT_EQ(editor.randomQuery.robotDefFile, "q.def");
}

// --- Every field of every page ------------------------------------------------------------------------

// Each fill sets every field that a page saves to a value that neither a new robot nor a missing
// key gives, so that a field left out of its page's table does not come back.
struct TRoundTripCase {
  const char* label;
  size_t page;
  void (*fill)(TNewRobotFrm& editor, const fs::path& home);
};

const TRoundTripCase kRoundTripCases[] = {
    {"SearchEngine", TNewRobotFrm::kSearchEnginePage,
     [](TNewRobotFrm& e, const fs::path& home) {
       Touch(home / "Robot Definitions/R/first");
       Touch(home / "Robot Definitions/R/second");
       e.searchEngine.engines = {{"first", false}, {"second", true}};
       e.searchEngine.sendToScript = false;
       e.searchEngine.scriptName = "unused.pas";
       e.searchEngine.category = "News";
       e.searchEngine.seeOnScreen = false;
       e.searchEngine.allRssInOneWindow = true;
     }},
    {"KeywordSearch", TNewRobotFrm::kKeywordSearchPage,
     [](TNewRobotFrm& e, const fs::path&) {
       e.keywordSearch.startUrls.Assign({"http://127.0.0.1/a", "http://localhost/b"});
       e.keywordSearch.keywords = "chat";
       e.keywordSearch.contentType = "image/gif";
       e.keywordSearch.maximalSize = "5k";
       e.keywordSearch.webSiteName = "Chats";
     }},
    {"Backup", TNewRobotFrm::kBackupPage,
     [](TNewRobotFrm& e, const fs::path& home) {
       e.backup.startUrls.Assign({"http://127.0.0.1/"});
       e.backup.contentType = "video/*";
       e.backup.maximalSize = "7M";
       e.backup.webSiteName = "Site";
       e.backup.mhtFile = (home / "site.mht").string();
       e.backup.zipFile = (home / "site.zip").string();
     }},
    {"LocalFile", TNewRobotFrm::kLocalFilePage,
     [](TNewRobotFrm& e, const fs::path& home) {
       Touch(home / "in.txt");
       Touch(home / "interpretercode/s.pas");
       e.localFile.localFile = (home / "in.txt").string();
       e.localFile.tempFileName = (home / "temp/out.html").string();
       e.localFile.seeOnScreen = false;
       e.localFile.sendToScript = true;
       e.localFile.scriptName = (home / "interpretercode/s.pas").string();
     }},
    {"SpecifiedPages", TNewRobotFrm::kSpecifiedPagesPage,
     [](TNewRobotFrm& e, const fs::path& home) {
       Touch(home / "urllist/b.bmf");
       Touch(home / "interpretercode/s.pas");
       e.specifiedPages.bookmarkFile = (home / "urllist/b.bmf").string();
       e.specifiedPages.sendToScript = true;
       e.specifiedPages.scriptName = (home / "interpretercode/s.pas").string();
       e.specifiedPages.saveDirectory = (home / "result").string();
       e.specifiedPages.seeOnScreen = false;
     }},
    {"Script", TNewRobotFrm::kScriptPage,
     [](TNewRobotFrm& e, const fs::path& home) {
       Touch(home / "interpretercode/s.pas");
       e.script.scriptName = (home / "interpretercode/s.pas").string();
       e.script.seeOnScreen = false;
       e.script.tempFileName = (home / "temp/t.txt").string();
     }},
    {"RandomQuery", TNewRobotFrm::kRandomQueryPage,
     [](TNewRobotFrm& e, const fs::path& home) {
       Touch(home / "dictionary/words.txt");
       Touch(home / "Robot Definitions/q.def");
       Touch(home / "interpretercode/s.pas");
       e.randomQuery.dictionary = (home / "dictionary/words.txt").string();
       e.randomQuery.robotDefFile = "q.def";
       e.randomQuery.sendToScript = true;
       e.randomQuery.scriptName = (home / "interpretercode/s.pas").string();
     }},
};

class FieldRoundTripTest : public NewRobotFrmTest, public ::testing::WithParamInterface<TRoundTripCase> {};

TEST_P(FieldRoundTripTest, EveryFieldOfThePageSurvivesSaveAndOpen) {
  MakeFile("Category.ini", "[General]\r\n[News]\r\n");
  TNewRobotFrm saved = Editor();
  saved.OpenNew();
  PageOf(saved, GetParam().page);
  saved.nbSimul = "4";
  saved.iconFile = "r.ico";
  GetParam().fill(saved, Home());
  ASSERT_TRUE(saved.ClickSave());
  ASSERT_THAT(dialogs_.messages, IsEmpty());
    // The dictionary field shows the dictionary that `dict` names.
  Store().WriteString("dictionary", "file2", saved.randomQuery.dictionary);
  Store().WriteString("R", "dict", "2");

  TNewRobotFrm loaded = Editor();
  loaded.OpenExisting("R");
  EXPECT_EQ(loaded.ActivePage(), GetParam().page);
  EXPECT_EQ(loaded.nbSimul, "4");
  // Only the search engine page saves the icon.
  EXPECT_EQ(loaded.iconFile, GetParam().page == TNewRobotFrm::kSearchEnginePage ? "r.ico" : "");
  std::sort(loaded.searchEngine.engines.begin(), loaded.searchEngine.engines.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  EXPECT_EQ(loaded.searchEngine, saved.searchEngine);
  EXPECT_EQ(loaded.keywordSearch, saved.keywordSearch);
  EXPECT_EQ(loaded.backup, saved.backup);
  EXPECT_EQ(loaded.localFile, saved.localFile);
  EXPECT_EQ(loaded.specifiedPages, saved.specifiedPages);
  EXPECT_EQ(loaded.script, saved.script);
  EXPECT_EQ(loaded.randomQuery, saved.randomQuery);
}

INSTANTIATE_TEST_SUITE_P(Pages, FieldRoundTripTest, ::testing::ValuesIn(kRoundTripCases),
                         [](const auto& info) { return std::string(info.param.label); });

// --- Change events -------------------------------------------------------------------------------------

using TField = TNewRobotFrm::TField;
using TChange = base::TFieldChange<TField>;
using base::TListChange;

struct TChangeCase {
  const char* label;
  void (*prepare)(TNewRobotFrm& editor, const fs::path& home);
  void (*operation)(TNewRobotFrm& editor);
  std::vector<TChange> changes;
};

const TChangeCase kChangeCases[] = {
    {"SwitchingPages",
     [](TNewRobotFrm&, const fs::path&) {},
     [](TNewRobotFrm& e) { e.SetActivePage(TNewRobotFrm::kBackupPage); },
     {{TField::ActivePage, std::nullopt}}},
    {"SwitchingToTheActivePage",
     [](TNewRobotFrm&, const fs::path&) {},
     [](TNewRobotFrm& e) { e.SetActivePage(TNewRobotFrm::kSearchEnginePage); },
     {}},
    {"SwitchingPastTheLastPage",
     [](TNewRobotFrm&, const fs::path&) {},
     [](TNewRobotFrm& e) { e.SetActivePage(kRobotKinds.size()); },
     {}},
    {"AddingAStartUrl",
     [](TNewRobotFrm& e, const fs::path&) {
       e.SetActivePage(TNewRobotFrm::kKeywordSearchPage);
       e.keywordSearch.startUrls.Assign({"http://127.0.0.1/a"});
       e.keywordSearch.startUrls.urlField = "http://127.0.0.1/b";
     },
     [](TNewRobotFrm& e) { e.ClickAddStartUrl(); },
     {{TField::KeywordSearchStartUrls, TListChange::Inserted(1)}}},
    {"SelectingAStartUrl",
     [](TNewRobotFrm& e, const fs::path&) {
       e.SetActivePage(TNewRobotFrm::kBackupPage);
       e.backup.startUrls.Assign({"http://127.0.0.1/a", "http://127.0.0.1/b"});
     },
     [](TNewRobotFrm& e) { e.SelectStartUrl(1, true); },
     {{TField::BackupStartUrls, TListChange::Changed(1)}}},
    {"RemovingTheSelectedStartUrls",
     [](TNewRobotFrm& e, const fs::path&) {
       e.SetActivePage(TNewRobotFrm::kBackupPage);
       e.backup.startUrls.Assign({"http://127.0.0.1/a", "http://127.0.0.1/b", "http://127.0.0.1/c"});
       e.backup.startUrls.Select(0, true);
       e.backup.startUrls.Select(1, true);
     },
     [](TNewRobotFrm& e) { e.ClickRemoveStartUrls(); },
     {{TField::BackupStartUrls, TListChange::Removed(0, 2)}}},
    {"RemovingWithNothingSelected",
     [](TNewRobotFrm& e, const fs::path&) {
       e.SetActivePage(TNewRobotFrm::kKeywordSearchPage);
       e.keywordSearch.startUrls.Assign({"http://127.0.0.1/a"});
     },
     [](TNewRobotFrm& e) { e.ClickRemoveStartUrls(); },
     {}},
    {"ANewDefinition",
     [](TNewRobotFrm& e, const fs::path&) {
       e.robotName = " R ";
       e.searchEngine.definitionName = "engine";
     },
     [](TNewRobotFrm& e) { e.ClickNewDefinition(); },
     {{TField::RobotName, std::nullopt}, {TField::Engines, TListChange::Inserted(0)}}},
    {"ReloadingChangedCategories",
     [](TNewRobotFrm&, const fs::path& home) { test::WriteFile(home / "Category.ini", "[General]\r\n[News]\r\n"); },
     [](TNewRobotFrm& e) { e.ClickReloadCategories(); },
     {{TField::Categories, TListChange::Inserted(1)}}},
    {"ReloadingTheSameCategories",
     [](TNewRobotFrm&, const fs::path&) {},
     [](TNewRobotFrm& e) { e.ClickReloadCategories(); },
     {}},
    {"TakingADictionary",
     [](TNewRobotFrm&, const fs::path&) {},
     [](TNewRobotFrm& e) { e.TakeDictionary("/words.txt"); },
     {{TField::RandomQueryPage, std::nullopt}}},
    {"ASavedNewRobot",
     [](TNewRobotFrm& e, const fs::path& home) {
       PageOf(e, TNewRobotFrm::kScriptPage);
       Touch(home / "interpretercode/s.pas");
       e.script.scriptName = (home / "interpretercode/s.pas").string();
     },
     [](TNewRobotFrm& e) { e.ClickSave(); },
     {{TField::NameEditable, std::nullopt}}},
    {"ARefusedSave",
     [](TNewRobotFrm& e, const fs::path&) { PageOf(e, TNewRobotFrm::kScriptPage); },
     [](TNewRobotFrm& e) { e.ClickSave(); },
     {}},
};

class EditorChangeTest : public NewRobotFrmTest, public ::testing::WithParamInterface<TChangeCase> {};

TEST_P(EditorChangeTest, AnOperationRaisesWhatItChanged) {
  MakeFile("Category.ini", "[General]\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  GetParam().prepare(editor, Home());
  test::TChangeRecorder<TField> recorder(editor.Changed);
  GetParam().operation(editor);
  EXPECT_EQ(recorder.changes, GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(Operations, EditorChangeTest, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(NewRobotFrmTest, OpeningARobotTellsTheFieldsItShowsDifferently) {
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\n[dictionary]\r\n[L]\r\nDataFrom=Read Local File\r\nnbsimul=3\r\nTempFileName=t\r\n");
  TNewRobotFrm editor = Editor();
  editor.OpenNew();
  test::TChangeRecorder<TField> recorder(editor.Changed);
  editor.OpenExisting("L");
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::RobotName, TField::NbSimul, TField::NameEditable,
                                                    TField::ActivePage, TField::LocalFilePage}));
}

}  // namespace
}  // namespace varnelo::config
