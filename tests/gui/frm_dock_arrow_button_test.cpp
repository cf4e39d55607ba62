#include "gui/forms/frm_dock_arrow_button.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "desktop_fixture.h"
#include "qt_wait.h"

namespace varnelo::test {
namespace {

using runner::TRobotMenu;
using TNames = std::vector<std::string>;
using TShown = TRecordingDialogs::TShown;
using TIcon = base::TDialogsPort::TIcon;
using TAnswer = base::TDialogsPort::TAnswer;

constexpr TRobotMenu kMenus[] = {TRobotMenu::Start, TRobotMenu::Delete, TRobotMenu::Stop, TRobotMenu::Rename};

// Two robots and one whose name holds "&"; Job is a script robot that ends at once.
class RobotPanelTest : public ::testing::Test {
protected:
  RobotPanelTest() {
    WriteFile(ScriptPath(), "program Job; begin end.\r\n");
    WriteFile(fixture_.home.RobotConfigPath(),
              "[general]\r\nnextrobot=3\r\n[dictionary]\r\n"
              "[Other]\r\nDataFrom=Search engine functionality\r\nrobotno=0\r\n"
              "[Job]\r\nDataFrom=Script (use it for database request)\r\nrobotno=1\r\nSeeOnScreen=0\r\n"
              "ScriptName=" + ScriptPath().string() + "\r\n"
              "[R&D]\r\nDataFrom=Search engine functionality\r\nrobotno=2\r\n");
    // The script's path is known once the home is: the desktop starts again on the file written now.
    fixture_.desktop.reset();
    fixture_.desktop = fixture_.MakeDesktop();
    fixture_.desktop->Start();
    fixture_.desktop->MainWindow().Action("RobotPanel")->trigger();
  }

  std::filesystem::path ScriptPath() const { return fixture_.home.Path() / "interpretercode" / "job.pas"; }
  gui::TFrmDockArrowButton& Panel() { return fixture_.desktop->RobotPanel(); }
  QListWidget* List() { return Panel().RobotListBox(); }

  std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (int row = 0; row < List()->count(); ++row) entries.push_back(List()->item(row)->text().toStdString());
    return entries;
  }
  std::vector<std::string> MenuTexts(TRobotMenu menu) {
    std::vector<std::string> texts;
    for (QAction* action : Panel().RobotMenu(menu)->actions()) texts.push_back(action->text().toStdString());
    return texts;
  }
  QAction* MenuItem(TRobotMenu menu, const QString& text) {
    for (QAction* action : Panel().RobotMenu(menu)->actions()) {
      if (action->text() == text) return action;
    }
    ADD_FAILURE() << "no item " << text.toStdString();
    return nullptr;
  }
  QPushButton* Button(const QString& caption) {
    for (QPushButton* button : Panel().findChildren<QPushButton*>()) {
      if (button->text() == caption) return button;
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
    return nullptr;
  }
  void Click(const QString& caption) { QTest::mouseClick(Button(caption), Qt::LeftButton); }
  void SelectRow(int row) {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualItemRect(List()->item(row)).center());
  }
  TShown Refusal(std::string_view text) const { return {std::string(text), "Erreur", TIcon::Error}; }

  TDesktopFixture fixture_;
};

TEST_F(RobotPanelTest, OpensModallyWithTheRobotsTheirMenusAndTheButtons) {
  EXPECT_TRUE(Panel().isVisible());
  EXPECT_TRUE(Panel().isModal());
  EXPECT_EQ(List()->toolTip(), "Double click on robot to edit it");
  EXPECT_EQ(Entries(), (TNames{"Other(idle)", "Job(idle)", "R&D(idle)"}));
  for (TRobotMenu menu : kMenus) EXPECT_EQ(MenuTexts(menu), (TNames{"Other", "Job", "R&&D"}));

  const struct {
    const char* caption;
    QMenu* menu;
  } menuButtons[] = {{"Démarrer Robot", Panel().RobotMenu(TRobotMenu::Start)},
                     {"Arrêter Robot", Panel().RobotMenu(TRobotMenu::Stop)},
                     {"Effacer Robot", Panel().RobotMenu(TRobotMenu::Delete)},
                     {"Renommer Robot", Panel().RobotMenu(TRobotMenu::Rename)}};
  for (const auto& entry : menuButtons) EXPECT_EQ(Button(entry.caption)->menu(), entry.menu) << entry.caption;
  QMenu* newMenu = Button("Nouveau")->menu();
  ASSERT_NE(newMenu, nullptr);
  ASSERT_EQ(newMenu->actions().size(), 1);
  EXPECT_EQ(newMenu->actions().front()->text(), "Web");
  for (const char* caption : {"Démarrer", "Annuler", "Propriétés", "Effacer", "Renommer", "Fermer onglets"}) {
    EXPECT_NE(Button(caption), nullptr);
  }
}

TEST_F(RobotPanelTest, ButtonsWithoutASelectionShowTheCoresRefusalOnce) {
  const struct {
    const char* button;
    std::string_view refusal;
  } cases[] = {
      {"Démarrer", "Choississez un robot dans la liste"},  {"Annuler", "Choisissez un robot dans la liste"},
      {"Propriétés", "Choississez un robot dans la liste"}, {"Effacer", "Choisissez un robot"},
      {"Renommer", "Choisissez un robot dans la liste"},   {"Fermer onglets", "Choisissez un robot"},
  };
  for (const auto& entry : cases) {
    fixture_.dialogs.messages.clear();
    Click(entry.button);
    EXPECT_EQ(fixture_.dialogs.messages, std::vector<TShown>{Refusal(entry.refusal)}) << entry.button;
    EXPECT_TRUE(Panel().isVisible()) << entry.button;
  }
  EXPECT_TRUE(fixture_.dialogs.questions.empty());
  EXPECT_EQ(Entries(), (TNames{"Other(idle)", "Job(idle)", "R&D(idle)"}));
}

TEST_F(RobotPanelTest, AStartShowsTheRobotWorkingAtTheTopThenIdleAndClosesThePanel) {
  SelectRow(1);
  EXPECT_EQ(fixture_.desktop->Model().RobotList().SelectedRobot(), std::optional<std::string>("Job"));
  Click("Démarrer");
  // The end of the run comes through the main queue, which only the event loop runs.
  EXPECT_EQ(Entries(), (TNames{"Job(working)", "Other(idle)", "R&D(idle)"}));
  EXPECT_FALSE(Panel().isVisible());
  EXPECT_FALSE(fixture_.desktop->Model().Panel().Visible());
  ASSERT_TRUE(WaitUntil([&] { return Entries().front() == "Job(idle)"; }));
  EXPECT_EQ(Entries(), (TNames{"Job(idle)", "Other(idle)", "R&D(idle)"}));
  // The selection went with the entry.
  ASSERT_NE(List()->currentItem(), nullptr);
  EXPECT_EQ(List()->currentItem()->text(), "Job(idle)");
  EXPECT_TRUE(fixture_.dialogs.messages.empty());
}

TEST_F(RobotPanelTest, RenameFromTheMenuRenamesTheItemsRobotWhateverIsSelected) {
  SelectRow(1);
  fixture_.dialogs.inputs = {std::string("Autre")};
  MenuItem(TRobotMenu::Rename, "Other")->trigger();
  ASSERT_EQ(fixture_.dialogs.prompts, (std::vector<TShown>{{"new name", "Entrez le nouveau nom du robot"}}));
  EXPECT_EQ(Entries(), (TNames{"Autre(idle)", "Job(idle)", "R&D(idle)"}));
  for (TRobotMenu menu : kMenus) EXPECT_EQ(MenuTexts(menu), (TNames{"Autre", "Job", "R&&D"}));

  fixture_.dialogs.inputs = {std::string("Travail")};
  Click("Renommer");
  EXPECT_EQ(Entries(), (TNames{"Autre(idle)", "Travail(idle)", "R&D(idle)"}));
  for (TRobotMenu menu : kMenus) EXPECT_EQ(MenuTexts(menu), (TNames{"Autre", "Travail", "R&&D"}));
  EXPECT_TRUE(fixture_.dialogs.messages.empty());
}

TEST_F(RobotPanelTest, RenameToATakenNameIsRefusedAndChangesNothing) {
  fixture_.dialogs.inputs = {std::string("job")};
  MenuItem(TRobotMenu::Rename, "Other")->trigger();
  EXPECT_EQ(fixture_.dialogs.messages, std::vector<TShown>{Refusal("Le nom existe déjà")});
  EXPECT_EQ(Entries(), (TNames{"Other(idle)", "Job(idle)", "R&D(idle)"}));
}

TEST_F(RobotPanelTest, DeleteAsksAndOnYesRemovesTheRobotFromTheListAndEveryMenu) {
  fixture_.dialogs.answers = {TAnswer::No};
  MenuItem(TRobotMenu::Delete, "Other")->trigger();
  EXPECT_EQ(Entries(), (TNames{"Other(idle)", "Job(idle)", "R&D(idle)"}));

  fixture_.dialogs.answers = {TAnswer::Yes};
  MenuItem(TRobotMenu::Delete, "Other")->trigger();
  EXPECT_EQ(Entries(), (TNames{"Job(idle)", "R&D(idle)"}));
  for (TRobotMenu menu : kMenus) EXPECT_EQ(MenuTexts(menu), (TNames{"Job", "R&&D"}));

  SelectRow(1);
  fixture_.dialogs.answers = {TAnswer::Yes};
  Click("Effacer");
  EXPECT_EQ(Entries(), (TNames{"Job(idle)"}));
  for (TRobotMenu menu : kMenus) EXPECT_EQ(MenuTexts(menu), (TNames{"Job"}));
  EXPECT_EQ(fixture_.dialogs.questions.size(), 3u);
  EXPECT_EQ(fixture_.dialogs.questions.front(), (TShown{"Effacer le robot ?", "Question", TIcon::Question}));
  EXPECT_TRUE(fixture_.dialogs.messages.empty());
  EXPECT_EQ(ReadFile(fixture_.home.RobotConfigPath()).find("[Other]"), std::string::npos);
}

TEST_F(RobotPanelTest, ArreterAndTheCloseBoxCloseThePanelThroughItsModel) {
  Click("Arrêter");
  EXPECT_FALSE(Panel().isVisible());
  EXPECT_FALSE(fixture_.desktop->Model().Panel().Visible());
  fixture_.desktop->Model().Panel().Show();
  EXPECT_TRUE(Panel().isVisible());
  Panel().close();
  EXPECT_FALSE(Panel().isVisible());
  EXPECT_FALSE(fixture_.desktop->Model().Panel().Visible());
}

}  // namespace
}  // namespace varnelo::test
