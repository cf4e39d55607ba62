#include "forms/anti_anti_spam_frm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::filters {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TShown = test::TRecordingDialogs::TShown;

TShown Error(std::string_view text) { return {std::string(text), "Erreur", base::TDialogsPort::TIcon::Error}; }

class AntiAntiSpamTest : public ::testing::Test {
protected:
  void SetRobotConfig(std::string_view content) { test::WriteFile(home_.RobotConfigPath(), content); }
  std::string RobotConfig() const { return test::ReadFile(home_.RobotConfigPath()); }
  TAntiAntiSpamFrm Open() { return TAntiAntiSpamFrm(home_.Path(), dialogs_); }

  test::TTempHome home_;
  test::TRecordingDialogs dialogs_;
};

TEST_F(AntiAntiSpamTest, OpeningReadsTheThreeKeys) {
  struct TCase {
    std::string general;
    std::vector<std::string> words;
    std::string maxExtractedItems;
    std::string outputDir;  // "~" stands for the home
  };
  const std::vector<TCase> cases{
      {"", {}, "", "c:\\"},
      {"spamword=alpha,beta\r\nMaxExtractedItems=50\r\noutputdir=/var/spam\r\n", {"alpha", "beta"}, "50", "/var/spam"},
      {"SPAMWORD=a,,b,\r\nmaxextracteditems= 7 \r\nOutputDir=\r\n", {"a", "", "b"}, "7", "~/antiantispam-garbage"},
      {"spamword=,\r\n", {""}, "", "c:\\"},
      {"spamword= x , y \r\n", {"x ", " y"}, "", "c:\\"},
      {"spamword=\x01\xff,\x80\r\n", {"\x01\xff", "\x80"}, "", "c:\\"},
  };
  for (const TCase& c : cases) {
    SetRobotConfig("[general]\r\n" + c.general + "[dictionary]\r\n");
    const TAntiAntiSpamFrm form = Open();
    EXPECT_EQ(form.Words(), c.words) << c.general;
    EXPECT_EQ(form.maxExtractedItems, c.maxExtractedItems) << c.general;
    const std::string outputDir =
        c.outputDir.starts_with("~") ? home_.Path().string() + c.outputDir.substr(1) : c.outputDir;
    EXPECT_EQ(form.outputDir, outputDir) << c.general;
  }
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(AntiAntiSpamTest, AddCutsTheFieldAtEveryComma) {
  struct TCase {
    std::string field;
    std::vector<std::string> added;
  };
  for (const TCase& c : std::vector<TCase>{{"alpha", {"alpha"}},
                                           {"a,b", {"a", "b"}},
                                           {"a,,b", {"a", "", "b"}},
                                           {"", {""}},
                                           {",", {"", ""}},
                                           {" x ,y", {" x ", "y"}}}) {
    SetRobotConfig("[general]\r\nspamword=old\r\n");
    TAntiAntiSpamFrm form = Open();
    form.wordField = c.field;
    form.ClickAdd();
    std::vector<std::string> expected{"old"};
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(form.Words(), expected) << c.field;
    EXPECT_EQ(form.wordField, c.field);
  }
}

TEST_F(AntiAntiSpamTest, RemoveTakesTheSelectedWordOnly) {
  SetRobotConfig("[general]\r\nspamword=a,b,c\r\n");
  TAntiAntiSpamFrm form = Open();
  form.ClickRemove();  // nothing selected
  form.selectedWord = 7;
  form.ClickRemove();
  EXPECT_THAT(form.Words(), ElementsAre("a", "b", "c"));
  form.selectedWord = 1;
  form.ClickRemove();
  EXPECT_THAT(form.Words(), ElementsAre("a", "c"));
  EXPECT_EQ(form.selectedWord, std::nullopt);
}

TEST_F(AntiAntiSpamTest, OkWritesTheThreeKeysAsTheFieldsStand) {
  struct TCase {
    std::string label;
    std::string before;
    std::string field;       // added to the words, when not empty
    bool removeAll = false;  // every word removed first
    std::string maxExtractedItems;
    std::string after;
  };
  const std::vector<TCase> cases{
      {"New", "[general]\r\n[dictionary]\r\n", "alpha,beta", false, "50",
       "[general]\r\nspamword=alpha,beta\r\nMaxExtractedItems=50\r\noutputdir=c:\\\r\n[dictionary]\r\n"},
      {"InPlace", "[dictionary]\r\n[general]\nSpamWord=x\nnextrobot=3\nOUTPUTDIR=/o\n", "y", false, "",
       "[dictionary]\r\n[general]\nSpamWord=x,y\nnextrobot=3\nOUTPUTDIR=/o\nMaxExtractedItems=\r\n"},
      {"EmptyWordsKept", "[general]\r\n", "a,,b", false, "9",
       "[general]\r\nspamword=a,,b\r\nMaxExtractedItems=9\r\noutputdir=c:\\\r\n"},
      {"AllRemoved", "[general]\r\nspamword=a,b\r\nMaxExtractedItems=1\r\noutputdir=/o\r\n", "", true, "1",
       "[general]\r\nspamword=\r\nMaxExtractedItems=1\r\noutputdir=/o\r\n"},
      {"BinaryBytes", "[general]\r\n", "\x01\xff,\x80=", false, "\x7f",
       "[general]\r\nspamword=\x01\xff,\x80=\r\nMaxExtractedItems=\x7f\r\noutputdir=c:\\\r\n"},
      {"BlanksAroundTheNumber", "[general]\r\n", "w", false, " 50 ",
       "[general]\r\nspamword=w\r\nMaxExtractedItems= 50 \r\noutputdir=c:\\\r\n"},
  };
  for (const TCase& c : cases) {
    SetRobotConfig(c.before);
    TAntiAntiSpamFrm form = Open();
    if (c.removeAll) {
      while (!form.Words().empty()) {
        form.selectedWord = 0;
        form.ClickRemove();
      }
    }
    if (!c.field.empty()) {
      form.wordField = c.field;
      form.ClickAdd();
    }
    form.maxExtractedItems = c.maxExtractedItems;
    EXPECT_TRUE(form.ClickOk()) << c.label;
    EXPECT_EQ(RobotConfig(), c.after) << c.label;
  }
  EXPECT_THAT(dialogs_.messages, IsEmpty());
}

TEST_F(AntiAntiSpamTest, WrittenSettingsAreShownAgainAtTheNextOpening) {
  SetRobotConfig("[general]\r\n[dictionary]\r\n");
  TAntiAntiSpamFrm first = Open();
  first.wordField = "a,,b";
  first.ClickAdd();
  first.maxExtractedItems = "50";
  dialogs_.choices = {home_.Path() / "garbage"};
  first.ClickChooseFolder();
  EXPECT_EQ(dialogs_.prompts.at(0).caption, TAntiAntiSpamFrm::kOutputDirLabel);
  ASSERT_TRUE(first.ClickOk());

  const TAntiAntiSpamFrm second = Open();
  EXPECT_THAT(second.Words(), ElementsAre("a", "", "b"));
  EXPECT_EQ(second.maxExtractedItems, "50");
  EXPECT_EQ(second.outputDir, (home_.Path() / "garbage").string());
}

TEST_F(AntiAntiSpamTest, CancelledFolderChoiceKeepsTheFolder) {
  SetRobotConfig("[general]\r\noutputdir=/o\r\n");
  TAntiAntiSpamFrm form = Open();
  form.ClickChooseFolder();
  EXPECT_EQ(form.outputDir, "/o");
}

TEST_F(AntiAntiSpamTest, WhatTheFileCannotGiveBackIsRefusedAndNothingIsWritten) {
  struct TCase {
    std::string label;
    std::vector<std::string> fields;  // each added in turn
    std::string maxExtractedItems;
    std::string outputDir;
    std::string message;
  };
  const std::vector<TCase> cases{
      {"FirstWordBlank", {" a", "b"}, "", "/o", "La liste des mots ne peut pas commencer ni finir par un blanc"},
      {"LastWordBlank", {"a", "b\t"}, "", "/o", "La liste des mots ne peut pas commencer ni finir par un blanc"},
      {"TooManyWords",
       {std::string(1024, 'w'), std::string(1023, 'x')},
       "",
       "/o",
       "La liste des mots ne peut pas dépasser 2047 octets"},
      {"NumberLineBreak",
       {"a"},
       "5\n0",
       "/o",
       "Le nombre maximal de résultats ne peut pas contenir de saut de ligne ni de caractère nul"},
      {"FolderLineBreak",
       {"a"},
       "",
       "/o\r/p",
       "Le nom du dossier ne peut pas contenir de saut de ligne ni de caractère nul"},
      {"FolderBlank", {"a"}, "", "/o ", "Le nom du dossier ne peut pas commencer ni finir par un blanc"},
      {"FolderTooLong", {"a"}, "", "/" + std::string(2047, 'd'), "Le nom du dossier ne peut pas dépasser 2047 octets"},
  };
  const std::string before = "[general]\r\nMaxExtractedItems=3\r\n";
  for (const TCase& c : cases) {
    SetRobotConfig(before);
    dialogs_.messages.clear();
    TAntiAntiSpamFrm form = Open();
    for (const std::string& field : c.fields) {
      form.wordField = field;
      form.ClickAdd();
    }
    form.maxExtractedItems = c.maxExtractedItems;
    form.outputDir = c.outputDir;
    EXPECT_FALSE(form.ClickOk()) << c.label;
    EXPECT_THAT(dialogs_.messages, ElementsAre(Error(c.message))) << c.label;
    EXPECT_EQ(RobotConfig(), before) << c.label;
  }
}

TEST_F(AntiAntiSpamTest, AWordFieldWithALineBreakAddsNothing) {
  SetRobotConfig("[general]\r\nspamword=keep\r\n");
  TAntiAntiSpamFrm form = Open();
  for (const std::string& field : {std::string("a,b\nc"), std::string("a\0b", 3)}) {
    form.wordField = field;
    form.ClickAdd();
  }
  EXPECT_THAT(form.Words(), ElementsAre("keep"));
  const TShown refusal = Error("Un mot ne peut pas contenir de saut de ligne ni de caractère nul");
  EXPECT_THAT(dialogs_.messages, ElementsAre(refusal, refusal));
}

TEST_F(AntiAntiSpamTest, AddingAndRemovingTellTheRowsOfTheWordList) {
  using TField = TAntiAntiSpamFrm::TField;
  using base::TListChange;
  SetRobotConfig("[general]\r\nspamword=a,b\r\n");
  TAntiAntiSpamFrm form = Open();
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.wordField = "c,d";
  form.ClickAdd();
  form.ClickRemove();  // nothing selected
  form.selectedWord = 0;
  form.ClickRemove();
  EXPECT_EQ(recorder.changes, (std::vector<base::TFieldChange<TField>>{{TField::Words, TListChange::Inserted(2, 2)},
                                                                       {TField::Words, TListChange::Removed(0)},
                                                                       {TField::SelectedWord, std::nullopt}}));
}

}  // namespace
}  // namespace varnelo::filters
