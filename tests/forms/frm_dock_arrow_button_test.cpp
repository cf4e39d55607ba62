#include "forms/frm_dock_arrow_button.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "config/config_keys.h"
#include "results/categories.h"
#include "search/definition_paths.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::runner {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using TShown = test::TRecordingDialogs::TShown;
using TAnswer = base::TDialogsPort::TAnswer;
using TIcon = base::TDialogsPort::TIcon;

constexpr std::string_view kConfig =
    "[general]\r\nnextrobot=5\r\n[dictionary]\r\n"
    "[moteur]\r\nname=moteur\r\nnbsimul=2\r\nDataFrom=Search engine functionality\r\nrobotno=0\r\n"
    "SendToScript=0\r\nCategory=General\r\n"
    "[site]\r\nname=site\r\nDataFrom=Web Site Keywords Search\r\nrobotno=1\r\nKeywords=prix\r\n"
    "[script]\r\nname=script\r\nDataFrom=Script (use it for database request)\r\nrobotno=2\r\n"
    "[sansgenre]\r\nrobotno=3\r\n"
    "[copie]\r\nDataFrom=Web Site Backup\r\nrobotno=4\r\n";

const std::vector<std::string> kRobots{"moteur", "site", "script", "sansgenre", "copie"};

// Also remembers the text each input box was opened with.
class TDialogs : public test::TRecordingDialogs {
public:
  std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view value) override {
    values.emplace_back(value);
    return TRecordingDialogs::InputBox(caption, prompt, value);
  }
  std::vector<std::string> values;
};

// Stands in the worker table for a live worker; it is never started.
class TIdleWorker : public base::TWorker {
public:
  using base::TWorker::TWorker;

protected:
  void Execute() override {}
};

class FrmDockArrowButtonTest : public ::testing::Test {
protected:
  FrmDockArrowButtonTest() : home_(kConfig), panel_(home_.Path(), list_, table_, quickMenu_, tabs_, dialogs_) {
    table_.Reset(5);
    for (const std::string& robot : kRobots) list_.AddIdle(robot);
    panel_.FillRobotMenus(kRobots);
    test::WriteFile(results::CategoryFilePath(home_.Path()), "[General]\r\n");
    quickMenu_.Build(Store(), config::TConfigStore(results::CategoryFilePath(home_.Path())),
                     home_.Path() / "favicon");
    fs::create_directories(search::EngineFolder(home_.Path(), "moteur"));
    test::WriteFile(search::EngineFolder(home_.Path(), "moteur") / "google", "[Properties]\r\n");
    test::WriteFile(home_.Path() / "site.url", "http://127.0.0.1/\r\n");
  }

  config::TConfigStore Store() const { return config::TConfigStore(home_.RobotConfigPath()); }
  std::string ConfigText() const { return test::ReadFile(home_.RobotConfigPath()); }
  void Select(const std::string& robot) {
    const auto& entries = list_.Entries();
    const auto found = std::find(entries.begin(), entries.end(), robot + "(idle)");
    ASSERT_NE(found, entries.end()) << robot;
    list_.Select(robot);
  }
  void SetRunning(int robotno) { table_.Add(robotno, &worker_); }
  std::vector<std::string> QuickSearchRobots() const {
    std::vector<std::string> robots;
    for (const auto& item : quickMenu_.Entries().at(0).robots) robots.push_back(item.caption);
    return robots;
  }
  std::vector<std::vector<std::string>> AllMenus() const {
    return {panel_.Menu(TRobotMenu::Start), panel_.Menu(TRobotMenu::Delete), panel_.Menu(TRobotMenu::Stop),
            panel_.Menu(TRobotMenu::Rename)};
  }
  void ExpectEveryMenu(const std::vector<std::string>& items) const {
    for (const auto& menu : AllMenus()) EXPECT_EQ(menu, items);
  }

  test::TTempHome home_;
  TRobotList list_;
  TRobotWorkerTable table_;
  search::TQuickSearchMenu quickMenu_;
  base::TResultTabs tabs_;
  TDialogs dialogs_;
  base::TMainQueue queue_;
  TIdleWorker worker_{queue_};
  TFrmDockArrowButton panel_;
};

TEST_F(FrmDockArrowButtonTest, RefusalsComeInOrderWithTheirMessagesAndChangeNothing) {
  struct TCase {
    const char* operation;
    std::function<void(TFrmDockArrowButton&)> run;
    std::string_view noneSelected;
    std::optional<std::string_view> running;
  };
  const std::vector<TCase> cases{
      {"double click", [](auto& panel) { EXPECT_EQ(panel.RobotListBoxDblClick(), std::nullopt); }, kChooseRobot,
       kStopBeforeEditing},
      {"properties", [](auto& panel) { EXPECT_EQ(panel.propertiesButtonClick(), std::nullopt); },
       kChooseRobotForProperties, kStopBeforeProperties},
      {"rename", [](auto& panel) { EXPECT_FALSE(panel.RenameBtnClick(TSender::Button())); }, kChooseRobotToRename,
       kStopBeforeRename},
      {"delete", [](auto& panel) { EXPECT_FALSE(panel.RemoveBtnClick(TSender::Button())); }, kChooseRobot,
       kStopBeforeDelete},
      {"delete item", [](auto& panel) { EXPECT_FALSE(panel.RemoveBtnClick(TSender::MenuItem("D&elete"))); },
       kChooseRobot, kStopBeforeDelete},
      {"close tabs", [](auto& panel) { panel.CloseTabsBtnClick(); }, kChooseRobot, std::nullopt},
  };
  const std::string before = ConfigText();
  SetRunning(2);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.operation);
    dialogs_.messages.clear();
    list_.Select(std::nullopt);
    c.run(panel_);
    if (c.running) {
      Select("script");
      c.run(panel_);
    }
    std::vector<TShown> expected{{std::string(c.noneSelected), "Erreur", TIcon::Error}};
    if (c.running) expected.push_back({std::string(*c.running), "Erreur", TIcon::Error});
    EXPECT_EQ(dialogs_.messages, expected);
  }
  // A menu item's robot is the one tested, not the selected one.
  Select("site");
  dialogs_.messages.clear();
  EXPECT_FALSE(panel_.RenameBtnClick(TSender::MenuItem("script")));
  EXPECT_FALSE(panel_.RemoveBtnClick(TSender::MenuItem("&script")));
  EXPECT_EQ(dialogs_.messages, (std::vector<TShown>{{std::string(kStopBeforeRename), "Erreur", TIcon::Error},
                                                    {std::string(kStopBeforeDelete), "Erreur", TIcon::Error}}));
  EXPECT_THAT(dialogs_.questions, IsEmpty());
  EXPECT_THAT(dialogs_.prompts, IsEmpty());
  EXPECT_EQ(ConfigText(), before);
  ExpectEveryMenu(kRobots);
}

TEST_F(FrmDockArrowButtonTest, EditorOpensOnAnIdleSelectedRobot) {
  Select("site");
  SetRunning(2);  // another robot runs
  EXPECT_EQ(panel_.RobotListBoxDblClick(), "site");
  EXPECT_EQ(panel_.propertiesButtonClick(), "site");
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FrmDockArrowButtonTest, RobotNameOfASender) {
  Select("site");
  EXPECT_EQ(panel_.getRobotName(TSender::Button()), "site");
  EXPECT_EQ(panel_.getRobotName(TSender::MenuItem("D&elete")), "site");
  EXPECT_EQ(panel_.getRobotName(TSender::MenuItem("&script")), "script");
  // Only the first "&" goes, then the status suffix.
  EXPECT_EQ(panel_.getRobotName(TSender::MenuItem("R&&D")), "R&D");
  EXPECT_EQ(panel_.getRobotName(TSender::MenuItem("R&D(idle)")), "RD");
  list_.Select(std::nullopt);
  EXPECT_EQ(panel_.getRobotName(TSender::MenuItem("D&elete")), "");
  EXPECT_EQ(panel_.getRobotSelected(), "");
}

TEST_F(FrmDockArrowButtonTest, RenameMovesEverythingOfASearchEngineRobot) {
  Select("moteur");
  dialogs_.inputs.push_back("  Nouveau moteur ");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::Button()));

  EXPECT_EQ(dialogs_.prompts, (std::vector<TShown>{{"new name", "Entrez le nouveau nom du robot"}}));
  EXPECT_EQ(dialogs_.values, std::vector<std::string>{"moteur"});
  const config::TConfigStore store = Store();
  EXPECT_THAT(store.ReadSections(), ElementsAre("general", "dictionary", "site", "script", "sansgenre", "copie",
                                                "Nouveau moteur"));
  EXPECT_THAT(store.ReadSectionValues("Nouveau moteur"),
              ElementsAre("name=moteur", "nbsimul=2", "DataFrom=Search engine functionality", "robotno=0",
                          "SendToScript=0", "Category=General"));
  EXPECT_THAT(list_.Entries(), ElementsAre("Nouveau moteur(idle)", "site(idle)", "script(idle)", "sansgenre(idle)",
                                           "copie(idle)"));
  ExpectEveryMenu({"Nouveau moteur", "site", "script", "sansgenre", "copie"});
  EXPECT_THAT(QuickSearchRobots(), ElementsAre("Nouveau moteur"));
  EXPECT_FALSE(fs::exists(search::EngineFolder(home_.Path(), "moteur")));
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "Nouveau moteur") / "google"));
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(FrmDockArrowButtonTest, RenameMovesTheStartUrlFileOfAWebSiteRobot) {
  Select("site");
  dialogs_.inputs.push_back("boutique");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::Button()));
  EXPECT_FALSE(fs::exists(home_.Path() / "site.url"));
  EXPECT_EQ(test::ReadFile(home_.Path() / "boutique.url"), "http://127.0.0.1/\r\n");
  EXPECT_EQ(config::Read(Store(), "boutique", config::key::kKeywords), "prix");
  // Not a search engine robot: its engine folder, had it one, is not the robot's.
  EXPECT_THAT(QuickSearchRobots(), ElementsAre("moteur"));
}

TEST_F(FrmDockArrowButtonTest, RenameOfAKindWithoutSideFilesTouchesNoFile) {
  fs::create_directories(search::EngineFolder(home_.Path(), "script"));
  test::WriteFile(home_.Path() / "script.url", "");
  Select("script");
  dialogs_.inputs.push_back("requete");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::Button()));
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "script")));
  EXPECT_TRUE(fs::exists(home_.Path() / "script.url"));
  EXPECT_FALSE(fs::exists(home_.Path() / "requete.url"));
}

TEST_F(FrmDockArrowButtonTest, RenameWithoutKindIsTheSearchEngineKind) {
  fs::create_directories(search::EngineFolder(home_.Path(), "sansgenre"));
  Select("sansgenre");
  dialogs_.inputs.push_back("nomme");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::Button()));
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "nomme")));
}

TEST_F(FrmDockArrowButtonTest, RenameRefusesNamesThatAreTakenOrImpossible) {
  const std::string tooLong(31, 'a');
  struct TCase {
    std::optional<std::string> answer;
    std::string message;
  };
  const std::vector<TCase> cases{
      {"SITE", std::string(kNameExists)},
      {"moteur", std::string(kNameExists)},
      {"MOTEUR ", std::string(kNameExists)},
      {std::nullopt, std::string(kNameExists)},  // cancel
      {"General", std::string(kNameExists)},
      {"Bookmarks", std::string(kNameExists)},  // the program's own section, even before it exists
      {"", std::string(kBadNameLength)},
      {" \t", std::string(kBadNameLength)},
      {tooLong, std::string(kBadNameLength)},
      {"../dehors", std::string(kForbiddenNameCharacters)},
      {"a]b", std::string(kForbiddenNameCharacters)},
  };
  // Files of a robot deleted earlier stay on disk; they are not taken over.
  fs::create_directories(search::EngineFolder(home_.Path(), "ancien") / "x");
  const std::string before = ConfigText();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.answer.value_or("(cancel)"));
    dialogs_.messages.clear();
    Select("moteur");
    dialogs_.inputs.push_back(c.answer);
    EXPECT_FALSE(panel_.RenameBtnClick(TSender::Button()));
    EXPECT_EQ(dialogs_.messages, (std::vector<TShown>{{c.message, "Erreur", TIcon::Error}}));
  }
  dialogs_.messages.clear();
  dialogs_.inputs.push_back("ancien");
  EXPECT_FALSE(panel_.RenameBtnClick(TSender::Button()));
  const std::string inTheWay = std::string(kNameExistsOnDisk) + search::EngineFolder(home_.Path(), "ancien").string();
  EXPECT_EQ(dialogs_.messages, (std::vector<TShown>{{inTheWay, "Erreur", TIcon::Error}}));
  test::WriteFile(home_.Path() / "ancien.url", "http://127.0.0.1/old\r\n");
  Select("site");
  dialogs_.inputs.push_back("ancien");
  EXPECT_FALSE(panel_.RenameBtnClick(TSender::Button()));
  EXPECT_EQ(test::ReadFile(home_.Path() / "ancien.url"), "http://127.0.0.1/old\r\n");

  EXPECT_EQ(ConfigText(), before);
  ExpectEveryMenu(kRobots);
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "moteur") / "google"));
  EXPECT_TRUE(fs::exists(home_.Path() / "site.url"));
}

TEST_F(FrmDockArrowButtonTest, LongestNameCountsCharacters) {
  std::string name;
  for (int i = 0; i < 30; ++i) name += "é";
  Select("script");
  dialogs_.inputs.push_back(name);
  EXPECT_TRUE(panel_.RenameBtnClick(TSender::Button()));
  EXPECT_EQ(panel_.Menu(TRobotMenu::Start).at(2), name);
}

TEST_F(FrmDockArrowButtonTest, RenameMenuItemRenamesTheRobotItNames) {
  Select("site");
  dialogs_.inputs.push_back("base");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::MenuItem("&script")));
  EXPECT_EQ(dialogs_.values, std::vector<std::string>{"script"});
  EXPECT_THAT(Store().ReadSections(),
              ElementsAre("general", "dictionary", "moteur", "site", "sansgenre", "copie", "base"));
  ExpectEveryMenu({"moteur", "site", "base", "sansgenre", "copie"});
  EXPECT_EQ(panel_.getRobotSelected(), "site");
}

TEST_F(FrmDockArrowButtonTest, RenameThatCannotBeWrittenLeavesEverythingInPlace) {
  // The store's temporary file cannot be made, so every write fails.
  fs::create_directories(home_.RobotConfigPath().string() + ".tmp");
  const std::string before = ConfigText();
  Select("moteur");
  dialogs_.inputs.push_back("autre");
  EXPECT_THROW(panel_.RenameBtnClick(TSender::Button()), config::EConfigWriteError);
  EXPECT_EQ(ConfigText(), before);
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "moteur") / "google"));
  EXPECT_FALSE(fs::exists(search::EngineFolder(home_.Path(), "autre")));
  ExpectEveryMenu(kRobots);
  EXPECT_EQ(list_.Entries().front(), "moteur(idle)");
}

TEST_F(FrmDockArrowButtonTest, NamesHoldingAnAmpersandFindTheirOwnItems) {
  test::WriteFile(home_.RobotConfigPath(),
                  "[general]\r\n[dictionary]\r\n"
                  "[R&D]\r\nDataFrom=Search engine functionality\r\nrobotno=0\r\n"
                  "[RD]\r\nDataFrom=Search engine functionality\r\nrobotno=1\r\n");
  list_.Clear();
  list_.AddIdle("R&D");
  list_.AddIdle("RD");
  panel_.FillRobotMenus({"R&D", "RD"});
  quickMenu_.Build(Store(), config::TConfigStore(results::CategoryFilePath(home_.Path())), home_.Path() / "favicon");
  ASSERT_THAT(QuickSearchRobots(), ElementsAre("R&D", "RD"));

  Select("RD");
  dialogs_.inputs.push_back("Recherche");
  ASSERT_TRUE(panel_.RenameBtnClick(TSender::Button()));
  ExpectEveryMenu({"R&D", "Recherche"});
  EXPECT_THAT(QuickSearchRobots(), ElementsAre("R&D", "Recherche"));

  Select("R&D");
  dialogs_.answers.push_back(TAnswer::Yes);
  ASSERT_TRUE(panel_.RemoveBtnClick(TSender::Button()));
  ExpectEveryMenu({"Recherche"});
  EXPECT_THAT(QuickSearchRobots(), ElementsAre("Recherche"));
  EXPECT_THAT(list_.Entries(), ElementsAre("Recherche(idle)"));
}

TEST_F(FrmDockArrowButtonTest, DeleteAsksFirst) {
  const std::string before = ConfigText();
  Select("moteur");
  EXPECT_FALSE(panel_.RemoveBtnClick(TSender::Button()));  // the recorded answer is No
  EXPECT_EQ(dialogs_.questions, (std::vector<TShown>{{"Effacer le robot ?", "Question", TIcon::Question}}));
  EXPECT_EQ(ConfigText(), before);
  ExpectEveryMenu(kRobots);
  EXPECT_THAT(QuickSearchRobots(), ElementsAre("moteur"));
  EXPECT_EQ(list_.Entries().size(), kRobots.size());

  dialogs_.answers.push_back(TAnswer::Yes);
  ASSERT_TRUE(panel_.RemoveBtnClick(TSender::Button()));
  EXPECT_THAT(Store().ReadSections(), ElementsAre("general", "dictionary", "site", "script", "sansgenre", "copie"));
  EXPECT_THAT(list_.Entries(), ElementsAre("site(idle)", "script(idle)", "sansgenre(idle)", "copie(idle)"));
  ExpectEveryMenu({"site", "script", "sansgenre", "copie"});
  EXPECT_THAT(QuickSearchRobots(), IsEmpty());
  // Its slot and its files stay.
  EXPECT_EQ(table_.Size(), 5u);
  EXPECT_TRUE(fs::exists(search::EngineFolder(home_.Path(), "moteur") / "google"));
}

TEST_F(FrmDockArrowButtonTest, DeleteMenuItemDeletesTheRobotItNames) {
  Select("moteur");
  dialogs_.answers.push_back(TAnswer::Yes);
  ASSERT_TRUE(panel_.RemoveBtnClick(TSender::MenuItem("site")));
  EXPECT_TRUE(fs::exists(home_.Path() / "site.url"));
  EXPECT_THAT(Store().ReadSections(), ElementsAre("general", "dictionary", "moteur", "script", "sansgenre", "copie"));
  ExpectEveryMenu({"moteur", "script", "sansgenre", "copie"});
  EXPECT_EQ(panel_.getRobotSelected(), "moteur");
}

TEST_F(FrmDockArrowButtonTest, RegisterRobotAddsItsSlotItemsAndEntry) {
  int changes = 0;
  const base::TConnection listening = panel_.MenusChanged.Connect([&] { ++changes; });
  panel_.RegisterRobot("nouveau");
  EXPECT_EQ(table_.Size(), 6u);
  EXPECT_FALSE(table_.Running(5));
  ExpectEveryMenu({"moteur", "site", "script", "sansgenre", "copie", "nouveau"});
  EXPECT_EQ(list_.Entries().back(), "nouveau(idle)");
  EXPECT_EQ(changes, 1);
}

TEST_F(FrmDockArrowButtonTest, CloseTabsClosesTheSelectedRobotsReleasedTabs) {
  const int owner = 0;
  const base::TTabId released = tabs_.OpenResultTab(base::TTabTemplate::ListView, nullptr, "site", "a");
  const base::TTabId owned = tabs_.OpenResultTab(base::TTabTemplate::ListView, &owner, "site", "b");
  const base::TTabId other = tabs_.OpenResultTab(base::TTabTemplate::ListView, nullptr, "moteur", "c");
  Select("site");
  panel_.CloseTabsBtnClick();
  EXPECT_EQ(tabs_.Find(released), nullptr);
  EXPECT_NE(tabs_.Find(owned), nullptr);
  EXPECT_NE(tabs_.Find(other), nullptr);
}

}  // namespace
}  // namespace varnelo::runner
