#include "forms/associate.h"

#include <gtest/gtest.h>

#include "support/change_recorder.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

constexpr std::string_view kConfig =
    "[general]\r\nnextnodic=4\r\n"
    "[Trois]\r\nDataFrom=Random Http Query\r\ndict=3\r\n"
    "[dictionary]\r\nfile1=/d/un.txt\r\nfile2=/d/deux.txt\r\nfile3=/d/trois.txt\r\n"
    "[Un]\r\ndict=1\r\n"
    "[Aucun]\r\nDataFrom=Web Site Backup\r\n"
    "[Perdu]\r\ndict=7\r\n"
    "[General]\r\n";

class AssociateTest : public ::testing::Test {
protected:
  AssociateTest() : home_(kConfig) {}
  Tassociate Open(std::string robot) {
    Tassociate dialog(home_.Path(), std::move(robot));
    dialog.Load();
    return dialog;
  }
  std::string Config() const { return test::ReadFile(home_.RobotConfigPath()); }

  test::TTempHome home_;
};

TEST_F(AssociateTest, LoadsListsAssociationsAndSelection) {
  const Tassociate dialog = Open("Trois");
  EXPECT_EQ(dialog.Robots(), (std::vector<std::string>{"Trois", "Un", "Aucun", "Perdu", "General"}));
  EXPECT_EQ(dialog.Dictionaries(), (std::vector<std::string>{"/d/un.txt", "/d/deux.txt", "/d/trois.txt"}));
  EXPECT_EQ(dialog.Associations(), (std::vector<association>{{"Trois", "/d/trois.txt"},
                                                              {"Un", "/d/un.txt"},
                                                              {"Aucun", ""},
                                                              {"Perdu", ""},
                                                              {"General", ""}}));
  EXPECT_EQ(dialog.SelectedRobot(), 0u);
  EXPECT_EQ(dialog.SelectedDictionary(), 2u);
}

TEST_F(AssociateTest, SavingWithoutChangeRewritesTheSameNumbers) {
  Tassociate dialog = Open("Trois");
  EXPECT_EQ(dialog.ClickSave(), "/d/trois.txt");
  EXPECT_EQ(dialog.ModalResult(), Tassociate::TModalResult::Ok);
  EXPECT_EQ(Config(), kConfig);
}

TEST_F(AssociateTest, ChoosingDictionariesWritesTheirPositions) {
  Tassociate dialog = Open("Aucun");
  EXPECT_EQ(dialog.SelectedRobot(), 2u);
  EXPECT_EQ(dialog.SelectedDictionary(), std::nullopt);
  dialog.ClickDictionary(1);
  dialog.ClickRobot(3);  // Perdu: its number names no dictionary
  EXPECT_EQ(dialog.SelectedDictionary(), std::nullopt);
  dialog.ClickRobot(1);
  EXPECT_EQ(dialog.SelectedDictionary(), 0u);
  dialog.ClickDictionary(2);
  EXPECT_EQ(dialog.ClickSave(), "/d/deux.txt");
  EXPECT_EQ(Config(),
            "[general]\r\nnextnodic=4\r\n"
            "[Trois]\r\nDataFrom=Random Http Query\r\ndict=3\r\n"
            "[dictionary]\r\nfile1=/d/un.txt\r\nfile2=/d/deux.txt\r\nfile3=/d/trois.txt\r\n"
            "[Un]\r\ndict=3\r\n"
            "[Aucun]\r\nDataFrom=Web Site Backup\r\ndict=2\r\n"
            "[Perdu]\r\ndict=7\r\n"
            "[General]\r\n");
}

TEST_F(AssociateTest, ARobotWithAnUnknownNumberKeepsItUnlessOneIsChosen) {
  Tassociate dialog = Open("Perdu");
  EXPECT_EQ(dialog.SelectedDictionary(), std::nullopt);
  EXPECT_EQ(dialog.ClickSave(), "");
  EXPECT_NE(Config().find("[Perdu]\r\ndict=7\r\n"), std::string::npos);

  Tassociate again = Open("Perdu");
  again.ClickDictionary(0);
  EXPECT_EQ(again.ClickSave(), "/d/un.txt");
  EXPECT_NE(Config().find("[Perdu]\r\ndict=1\r\n"), std::string::npos);
}

TEST_F(AssociateTest, CancelWritesNothing) {
  Tassociate dialog = Open("Un");
  dialog.ClickDictionary(2);
  dialog.ClickCancel();
  EXPECT_EQ(dialog.ModalResult(), Tassociate::TModalResult::Cancel);
  EXPECT_EQ(Config(), kConfig);
}

TEST_F(AssociateTest, RobotNotInTheListSelectsNothing) {
  Tassociate dialog = Open("trois");  // names compare exactly here
  EXPECT_EQ(dialog.SelectedRobot(), std::nullopt);
  dialog.ClickDictionary(0);  // no robot selected: no association changes
  EXPECT_EQ(dialog.ClickSave(), "");
  EXPECT_EQ(Config(), kConfig);
}

// A key of the section left empty is no dictionary: robots without one must not be given its number.
TEST(AssociateEmptyEntryTest, EmptyPathIsNeverWritten) {
  const std::string config = "[general]\r\n[dictionary]\r\nfile1=\r\nfile2=/d/a.txt\r\n[R]\r\nDataFrom=x\r\n";
  test::TTempHome home(config);
  Tassociate dialog(home.Path(), "R");
  dialog.Load();
  EXPECT_EQ(dialog.ClickSave(), "");
  EXPECT_EQ(test::ReadFile(home.RobotConfigPath()), config);
}

TEST_F(AssociateTest, AClickTellsTheAssociationRowAndTheSelection) {
  using TField = Tassociate::TField;
  Tassociate dialog = Open("Trois");
  dialog.ClickDictionary(0);
  test::TChangeRecorder<TField> recorder(dialog.Changed);
  dialog.ClickDictionary(0);
  dialog.ClickDictionary(99);
  EXPECT_TRUE(recorder.changes.empty());
  dialog.ClickDictionary(1);
  EXPECT_EQ(recorder.changes,
            (std::vector<base::TFieldChange<TField>>{{TField::Associations, base::TListChange::Changed(0)},
                                                     {TField::SelectedDictionary, std::nullopt}}));
}

}  // namespace
}  // namespace varnelo::search
