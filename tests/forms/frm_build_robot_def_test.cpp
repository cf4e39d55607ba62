#include "forms/frm_build_robot_def.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "search/definition_paths.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TRecordingDialogs;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using TShown = TRecordingDialogs::TShown;
using TIcon = base::TDialogsPort::TIcon;
using TAnswer = base::TDialogsPort::TAnswer;
using TChoice = TFrmBuildRobotDef::TLimitationChoice;

constexpr const char* kFullFile =
    "[Properties]\r\n"
    "startresult=<ol>\r\n"
    "endresult=</ol>\r\n"
    "urlregexp=http://[^\"]+\r\n"
    "getquery=http://s/?q=$_\r\n"
    "RelopStartResult=<=\r\n"
    "RelopEndResult=>\r\n"
    "WordRelopStartResult=m\r\n"
    "WordRelopEndResult=z\r\n"
    "LimitationDefinitionType=Standard\r\n"
    "iflag=1\r\n"
    "mflag=0\r\n"
    "sflag=1\r\n"
    "xflag=1\r\n"
    "gflag=1\r\n"
    "rflag=1\r\n"
    "DataLimitingRegexp=<b>.+</b>\r\n";

class FrmBuildRobotDefTest : public ::testing::Test {
protected:
  fs::path Definitions() const { return DefinitionsFolder(home_.Path()); }
  TFrmBuildRobotDef Open(std::string name) { return TFrmBuildRobotDef(home_.Path(), std::move(name), dialogs_); }
  // A form whose fields pass every check.
  TFrmBuildRobotDef Filled(std::string name) {
    TFrmBuildRobotDef form = Open(std::move(name));
    form.getQuery = "http://s/?q=$_";
    form.urlRegexp = "http://[^\"]+";
    return form;
  }
  std::vector<TShown> Errors(std::initializer_list<std::pair<std::string_view, std::string_view>> shown) {
    std::vector<TShown> expected;
    for (const auto& [text, caption] : shown) expected.push_back({std::string(text), std::string(caption), TIcon::Error});
    return expected;
  }

  test::TTempHome home_;
  TRecordingDialogs dialogs_;
};

TEST_F(FrmBuildRobotDefTest, LoadShowsEveryKey) {
  WriteFile(Definitions() / "full.def", kFullFile);
  const TFrmBuildRobotDef form = Open("full.def");
  EXPECT_EQ(form.fileName, "full.def");
  EXPECT_EQ(form.startResult, "<ol>");
  EXPECT_EQ(form.endResult, "</ol>");
  EXPECT_EQ(form.urlRegexp, "http://[^\"]+");
  EXPECT_EQ(form.getQuery, "http://s/?q=$_");
  EXPECT_EQ(form.relopStartIndex, 1);
  EXPECT_EQ(form.relopEndIndex, 4);
  EXPECT_EQ(form.wordRelopStartResult, "m");
  EXPECT_EQ(form.wordRelopEndResult, "z");
  EXPECT_EQ(form.LimitationChoice(), TChoice::Standard);
  EXPECT_TRUE(form.RelationsEnabled());
  EXPECT_FALSE(form.ExpressionsEnabled());
  EXPECT_TRUE(form.iFlag && !form.mFlag && form.sFlag && form.xFlag && form.gFlag && form.rFlag);
  EXPECT_EQ(form.dataLimitingRegexp, "<b>.+</b>");
}

TEST_F(FrmBuildRobotDefTest, NewNameShowsDefaultsAndMissingFileOnChoose) {
  TFrmBuildRobotDef form = Open("new.def");
  EXPECT_EQ(form.urlRegexp, "");
  EXPECT_EQ(form.relopStartIndex, -1);
  EXPECT_EQ(form.LimitationChoice(), TChoice::RegularExpression);
  EXPECT_TRUE(form.ExpressionsEnabled());
  EXPECT_TRUE(form.mFlag);
  EXPECT_FALSE(form.iFlag || form.sFlag || form.xFlag || form.gFlag || form.rFlag);
  dialogs_.answers = {TAnswer::No};
  form.ClickChoose();
  EXPECT_THAT(dialogs_.questions, ElementsAre(TShown{std::string(kChooseQuestion), "Question", TIcon::Question}));
  EXPECT_EQ(dialogs_.messages, Errors({{"Le fichier n'existe pas", "Erreur"}}));
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
}

TEST_F(FrmBuildRobotDefTest, UnknownOperatorAndTypeSelectNothingAndTheExpressionChoice) {
  WriteFile(Definitions() / "odd.def",
            "[Properties]\r\nRelopStartResult=<>\r\nLimitationDefinitionType=standard\r\n");
  const TFrmBuildRobotDef form = Open("odd.def");
  EXPECT_EQ(form.relopStartIndex, -1);
  EXPECT_EQ(form.LimitationChoice(), TChoice::RegularExpression);
}

TEST_F(FrmBuildRobotDefTest, SaveWritesTheSixteenKeysInOrderByteForByte) {
  TFrmBuildRobotDef form = Open("x.def");
  form.startResult = "<ol>";
  form.endResult = "</ol>";
  form.urlRegexp = "http://[^\"]+";
  form.getQuery = "http://s/?q=$_";
  form.relopStartIndex = 1;
  form.relopEndIndex = 4;
  form.wordRelopStartResult = "m";
  form.wordRelopEndResult = "z";
  form.ChooseLimitationType(TChoice::Standard);
  form.iFlag = form.sFlag = form.xFlag = form.gFlag = form.rFlag = true;
  form.mFlag = false;
  form.dataLimitingRegexp = "<b>.+</b>";
  form.ClickSave();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_EQ(ReadFile(Definitions() / "x.def"), kFullFile);
  EXPECT_EQ(form.fileName, (Definitions() / "x.def").string());
  EXPECT_TRUE(form.Saved());
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
}

TEST_F(FrmBuildRobotDefTest, DisabledFieldsAndNoOperatorAreWrittenAllTheSame) {
  TFrmBuildRobotDef form = Filled("x.def");
  form.wordRelopStartResult = "kept";
  form.ChooseLimitationType(TChoice::RegularExpression);
  EXPECT_FALSE(form.RelationsEnabled());
  form.ClickSave();
  EXPECT_EQ(ReadFile(Definitions() / "x.def"),
            "[Properties]\r\nstartresult=\r\nendresult=\r\nurlregexp=http://[^\"]+\r\ngetquery=http://s/?q=$_\r\n"
            "RelopStartResult=\r\nRelopEndResult=\r\nWordRelopStartResult=kept\r\nWordRelopEndResult=\r\n"
            "LimitationDefinitionType=Regular Expression\r\niflag=0\r\nmflag=1\r\nsflag=0\r\nxflag=0\r\n"
            "gflag=0\r\nrflag=0\r\nDataLimitingRegexp=\r\n");
}

TEST_F(FrmBuildRobotDefTest, SaveOverAnExistingFileKeepsItsOtherLines) {
  WriteFile(Definitions() / "x.def", "; note\r\n[Properties]\r\ngflag=1\r\n[Other]\r\nk=v\r\n");
  TFrmBuildRobotDef form = Open("x.def");
  EXPECT_TRUE(form.gFlag);
  form.getQuery = "q=$_";
  form.urlRegexp = "u";
  form.gFlag = false;
  form.ClickSave();
  const std::string text = ReadFile(Definitions() / "x.def");
  EXPECT_TRUE(text.starts_with("; note\r\n[Properties]\r\ngflag=0\r\nstartresult=\r\n")) << text;
  EXPECT_TRUE(text.ends_with("DataLimitingRegexp=\r\n[Other]\r\nk=v\r\n")) << text;
}

struct TSaveCheckCase {
  const char* name;
  const char* fileName;
  const char* getQuery;
  const char* urlRegexp;
  const char* message;
  const char* caption;
};

class DefinitionSaveCheckTest : public FrmBuildRobotDefTest, public ::testing::WithParamInterface<TSaveCheckCase> {};

TEST_P(DefinitionSaveCheckTest, RefusesWithoutWriting) {
  const TSaveCheckCase& c = GetParam();
  WriteFile(Definitions() / "keep.def", "[Properties]\r\ngetquery=old$_\r\n");
  TFrmBuildRobotDef form = Filled("keep.def");
  form.ClickSave();  // sets the saved mark, which a refused save clears
  ASSERT_TRUE(form.Saved());
  const std::string before = ReadFile(Definitions() / "keep.def");
  form.fileName = c.fileName;
  form.getQuery = c.getQuery;
  form.urlRegexp = c.urlRegexp;
  form.ClickSave();
  EXPECT_EQ(dialogs_.messages, Errors({{c.message, c.caption}}));
  EXPECT_FALSE(form.Saved());
  EXPECT_EQ(ReadFile(Definitions() / "keep.def"), before);
  EXPECT_FALSE(fs::exists(Definitions() / "a,b.def"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefinitionSaveCheckTest,
    ::testing::Values(
        TSaveCheckCase{"noSymbol", "keep.def", "http://s/", "u", "Doit contenir le symbole spécial $_", "Error"},
        TSaveCheckCase{"noSymbolFirst", "a,b.def", "http://s/", "", "Doit contenir le symbole spécial $_", "Error"},
        TSaveCheckCase{"blankUrlRegexp", "keep.def", "$_", " \t", "L'expression régulière du URL doit contenir quelque chose",
                       "Error"},
        TSaveCheckCase{"comma", "a,b.def", "$_", "u", "le nom de fichier ne doit pas contenir de virugles", "Erreur"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmBuildRobotDefTest, SaveWithBlankNameDoesSaveAs) {
  TFrmBuildRobotDef form = Filled("  ");
  dialogs_.choices = {Definitions() / "chosen"};
  form.ClickSave();
  EXPECT_THAT(dialogs_.prompts, ElementsAre(TShown{"*.def", "Enregistrer sous", TIcon::None}));
  EXPECT_TRUE(fs::exists(Definitions() / "chosen.def"));
  EXPECT_EQ(form.fileName, (Definitions() / "chosen.def").string());
  EXPECT_TRUE(form.Saved());
}

TEST_F(FrmBuildRobotDefTest, SaveAsDoesNotCheckTheUrlExpression) {
  TFrmBuildRobotDef form = Open("");
  form.getQuery = "q=$_";
  dialogs_.choices = {Definitions() / "x.txt"};
  form.ClickSaveAs();
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_TRUE(fs::exists(Definitions() / "x.txt"));
  EXPECT_TRUE(form.Saved());
}

TEST_F(FrmBuildRobotDefTest, SaveAsRefusals) {
  TFrmBuildRobotDef form = Filled("old.def");
  form.getQuery = "no symbol";
  form.ClickSaveAs();
  EXPECT_EQ(dialogs_.messages, Errors({{"La requête HTTP Get doit contenir le symbole '$_'", "Erreur"}}));
  EXPECT_THAT(dialogs_.prompts, IsEmpty());

  dialogs_.messages.clear();
  form.getQuery = "q=$_";
  dialogs_.choices = {Definitions() / "a,b.def"};
  form.ClickSaveAs();
  EXPECT_EQ(dialogs_.messages, Errors({{"Le nom de fichier ne doit pas contenir de virgules", "Erreur"}}));
  EXPECT_FALSE(fs::exists(Definitions() / "a,b.def"));
  EXPECT_EQ(form.fileName, "old.def");
  EXPECT_FALSE(form.Saved());

  dialogs_.messages.clear();
  form.ClickSaveAs();  // the chooser is cancelled
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  EXPECT_EQ(form.fileName, "old.def");
}

TEST_F(FrmBuildRobotDefTest, WriteFailureIsReportedAndLeavesTheMarkCleared) {
  TFrmBuildRobotDef form = Filled("x.def");
  form.dataLimitingRegexp = "a\r\nb";
  form.ClickSave();
  EXPECT_EQ(dialogs_.messages, Errors({{"un erreur s'est produit lors de l'enregistrement", "Erreur"}}));
  EXPECT_FALSE(form.Saved());
  EXPECT_FALSE(fs::exists(Definitions() / "x.def"));
  EXPECT_EQ(form.fileName, "x.def");

  dialogs_.messages.clear();
  form.dataLimitingRegexp = "";
  form.fileName = (home_.Path() / "no such folder" / "x.def").string();
  form.ClickSave();
  EXPECT_EQ(dialogs_.messages, Errors({{"un erreur s'est produit lors de l'enregistrement", "Erreur"}}));
  EXPECT_FALSE(form.Saved());
}

TEST_F(FrmBuildRobotDefTest, NamesWithADirectoryPartStayWhereTheyPoint) {
  test::TTempDir elsewhere;
  TFrmBuildRobotDef form = Filled((elsewhere.Path() / "e.def").string());
  form.ClickSave();
  EXPECT_TRUE(fs::exists(elsewhere.Path() / "e.def"));
  EXPECT_FALSE(fs::exists(Definitions() / "e.def"));
}

TEST_F(FrmBuildRobotDefTest, BrowseLoadsTheChosenFile) {
  WriteFile(Definitions() / "full.def", kFullFile);
  TFrmBuildRobotDef form = Open("");
  dialogs_.choices = {Definitions() / "full.def"};
  form.ClickBrowse();
  EXPECT_EQ(form.fileName, (Definitions() / "full.def").string());
  EXPECT_EQ(form.getQuery, "http://s/?q=$_");
  EXPECT_EQ(form.LimitationChoice(), TChoice::Standard);
  form.ClickBrowse();  // cancelled: nothing changes
  EXPECT_EQ(form.getQuery, "http://s/?q=$_");
}

TEST_F(FrmBuildRobotDefTest, ChooseYesClosesOnlyWhenSaved) {
  TFrmBuildRobotDef form = Filled("x.def");
  form.urlRegexp = "";
  dialogs_.answers = {TAnswer::Yes};
  form.ClickChoose();
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
  EXPECT_EQ(dialogs_.messages.size(), 1u);

  form.urlRegexp = "u";
  dialogs_.answers = {TAnswer::Yes};
  form.ClickChoose();
  EXPECT_EQ(form.ModalResult(), TModalResult::Ok);
  EXPECT_EQ(form.fileName, (Definitions() / "x.def").string());
}

TEST_F(FrmBuildRobotDefTest, ChooseYesWithBlankNameSavesAs) {
  TFrmBuildRobotDef form = Filled("");
  dialogs_.answers = {TAnswer::Yes};
  form.ClickChoose();  // the chooser is cancelled
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
  dialogs_.answers = {TAnswer::Yes};
  dialogs_.choices = {Definitions() / "n.def"};
  form.ClickChoose();
  EXPECT_EQ(form.ModalResult(), TModalResult::Ok);
  EXPECT_EQ(form.fileName, (Definitions() / "n.def").string());
}

TEST_F(FrmBuildRobotDefTest, ChooseNoClosesOnAnExistingFileWithoutWriting) {
  WriteFile(Definitions() / "x.def", "[Properties]\r\n");
  TFrmBuildRobotDef form = Filled("x.def");
  dialogs_.answers = {TAnswer::No};
  form.ClickChoose();
  EXPECT_EQ(form.ModalResult(), TModalResult::Ok);
  EXPECT_EQ(form.fileName, "x.def");
  EXPECT_EQ(ReadFile(Definitions() / "x.def"), "[Properties]\r\n");
}

TEST_F(FrmBuildRobotDefTest, ChooseNoWithBlankNameReportsAMissingFile) {
  TFrmBuildRobotDef form = Open("");
  dialogs_.answers = {TAnswer::No};
  form.ClickChoose();
  EXPECT_EQ(dialogs_.messages, Errors({{"Le fichier n'existe pas", "Erreur"}}));
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
}

TEST_F(FrmBuildRobotDefTest, ChooseCancelAndCancelButton) {
  TFrmBuildRobotDef form = Filled("x.def");
  dialogs_.answers = {TAnswer::Cancel};
  form.ClickChoose();
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
  EXPECT_THAT(dialogs_.messages, IsEmpty());
  form.ClickCancel();
  EXPECT_EQ(form.ModalResult(), TModalResult::Cancel);
  EXPECT_FALSE(fs::exists(Definitions() / "x.def"));
}

TEST_F(FrmBuildRobotDefTest, BinaryBytesRoundTrip) {
  TFrmBuildRobotDef form = Filled("bin.def");
  form.urlRegexp = "\xE9\x01[\x80-\xFF]+";
  form.getQuery = "http://s/\xFF?q=$_";
  form.ClickSave();
  const TFrmBuildRobotDef again = Open("bin.def");
  EXPECT_EQ(again.urlRegexp, "\xE9\x01[\x80-\xFF]+");
  EXPECT_EQ(again.getQuery, "http://s/\xFF?q=$_");
}

// --- Change events ---

TEST_F(FrmBuildRobotDefTest, OperationsTellTheFieldsTheyChanged) {
  using TField = TFrmBuildRobotDef::TField;
  WriteFile(Definitions() / "full.def", kFullFile);
  TFrmBuildRobotDef form = Open("");
  test::TChangeRecorder<TField> recorder(form.Changed);

  form.ChooseLimitationType(TChoice::RegularExpression);  // already the choice
  EXPECT_THAT(recorder.changes, IsEmpty());
  form.ChooseLimitationType(TChoice::Standard);
  EXPECT_THAT(recorder.Fields(), ElementsAre(TField::LimitationChoice));
  recorder.Take();

  // Browsing loads every field of the chosen file; those equal to the defaults are not told.
  dialogs_.choices = {Definitions() / "full.def"};
  form.ClickBrowse();
  EXPECT_THAT(recorder.Fields(),
              ElementsAre(TField::FileName, TField::StartResult, TField::EndResult, TField::UrlRegexp, TField::GetQuery,
                          TField::DataLimitingRegexp, TField::WordRelopStartResult, TField::WordRelopEndResult,
                          TField::RelopStartIndex, TField::RelopEndIndex, TField::IFlag, TField::MFlag, TField::SFlag,
                          TField::XFlag, TField::GFlag, TField::RFlag));
  recorder.Take();

  // "Choisir" saves inside itself: the saved state and the closing are told once each.
  dialogs_.answers.push_back(TAnswer::Yes);
  form.ClickChoose();
  EXPECT_THAT(recorder.Fields(), ElementsAre(TField::Saved, TField::ModalResult));
}

}  // namespace
}  // namespace varnelo::search
