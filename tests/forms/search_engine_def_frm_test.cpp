#include "forms/search_engine_def_frm.h"

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

class SearchEngineDefFrmTest : public ::testing::Test {
protected:
  SearchEngineDefFrmTest() { fs::create_directories(EngineFolder(home_.Path(), "R")); }
  fs::path File(std::string_view engine) const { return EngineFolder(home_.Path(), "R") / engine; }

  test::TTempHome home_;
  TRecordingDialogs dialogs_;
};

TEST_F(SearchEngineDefFrmTest, LoadShowsTheDefinition) {
  WriteFile(File("google"), "[Properties]\r\ngetquery=http://g/?q=$_\r\nrss=1\r\npostquery=p=$_\r\n");
  const TSearchEngineDefFrm form(home_.Path(), "R/google", dialogs_);
  EXPECT_EQ(form.FileName(), "R/google");
  EXPECT_EQ(form.url, "http://g/?q=$_");
  EXPECT_EQ(form.postQuery, "p=$_");
  EXPECT_TRUE(form.rss);
  EXPECT_EQ(form.ModalResult(), TModalResult::None);
}

TEST_F(SearchEngineDefFrmTest, MissingFileShowsEmptyFields) {
  const TSearchEngineDefFrm form(home_.Path(), "R/none", dialogs_);
  EXPECT_EQ(form.url, "");
  EXPECT_EQ(form.postQuery, "");
  EXPECT_FALSE(form.rss);
}

struct TSaveCase {
  const char* name;
  const char* engine;
  const char* url;
  const char* post;
  bool rss;
  const char* message;  // the refusal, or nullptr when the save goes through
  const char* file;     // the file written
};

class SaveTest : public SearchEngineDefFrmTest, public ::testing::WithParamInterface<TSaveCase> {};

TEST_P(SaveTest, ChecksInOrderThenWritesAndCloses) {
  const TSaveCase& c = GetParam();
  const std::string before = "[Properties]\r\ngetquery=old\r\n";
  WriteFile(File(c.engine), before);
  TSearchEngineDefFrm form(home_.Path(), std::string("R/") + c.engine, dialogs_);
  form.url = c.url;
  form.postQuery = c.post;
  form.rss = c.rss;
  form.ClickSave();
  if (c.message != nullptr) {
    EXPECT_THAT(dialogs_.messages, ElementsAre(TShown{c.message, "Erreur", TIcon::Error}));
    EXPECT_EQ(form.ModalResult(), TModalResult::None);
    EXPECT_EQ(ReadFile(File(c.engine)), before);
  } else {
    EXPECT_THAT(dialogs_.messages, IsEmpty());
    EXPECT_EQ(form.ModalResult(), TModalResult::Ok);
    EXPECT_EQ(ReadFile(File(c.engine)), c.file);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveTest,
    ::testing::Values(
        TSaveCase{"get", "g", "http://g/?q=$_", "", false, nullptr,
                  "[Properties]\r\ngetquery=http://g/?q=$_\r\nrss=0\r\npostquery=\r\n"},
        TSaveCase{"rssWithoutSymbol", "g", "http://g/feed", "", true, nullptr,
                  "[Properties]\r\ngetquery=http://g/feed\r\nrss=1\r\npostquery=\r\n"},
        TSaveCase{"postWithSymbolInBody", "g", "http://g/search", "q=$_&x=1", false, nullptr,
                  "[Properties]\r\ngetquery=http://g/search\r\nrss=0\r\npostquery=q=$_&x=1\r\n"},
        TSaveCase{"urlAsTyped", "g", "  http://g/?q=$_ ", "", false, nullptr,
                  "[Properties]\r\ngetquery=  http://g/?q=$_ \r\nrss=0\r\npostquery=\r\n"},
        TSaveCase{"noSymbolAnywhere", "g", "http://g/", "q=1", false, kMissingSymbolMessage.data(), nullptr},
        TSaveCase{"emptyUrlFirstCheckFirst", "g", "", "", false, kMissingSymbolMessage.data(), nullptr},
        TSaveCase{"blankUrlWithRss", "g", "  ", "", true, kEmptyUrlMessage.data(), nullptr},
        TSaveCase{"blankUrlWithPostSymbol", "g", " ", "q=$_", false, kEmptyUrlMessage.data(), nullptr},
        TSaveCase{"commaInFileName", "a,b", "http://g/?q=$_", "", false, kCommaInFileNameMessage.data(), nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchEngineDefFrmTest, FailedWriteIsReportedAndClosesWithoutOk) {
  const std::string before = "[Properties]\r\ngetquery=old\r\nrss=0\r\n";
  WriteFile(File("g"), before);
  TSearchEngineDefFrm form(home_.Path(), "R/g", dialogs_);
  form.url = "http://g/?q=$_";
  form.postQuery = "line\nbreak";
  form.ClickSave();
  EXPECT_THAT(dialogs_.messages, ElementsAre(TShown{"Erreur lors de la sauvegarde", "Erreur", TIcon::Error}));
  EXPECT_EQ(form.ModalResult(), TModalResult::Cancel);
  EXPECT_EQ(ReadFile(File("g")), before);
}

TEST_F(SearchEngineDefFrmTest, MissingRobotFolderIsAWriteFailure) {
  TSearchEngineDefFrm form(home_.Path(), "Nobody/g", dialogs_);
  form.url = "http://g/?q=$_";
  form.ClickSave();
  EXPECT_THAT(dialogs_.messages, ElementsAre(TShown{"Erreur lors de la sauvegarde", "Erreur", TIcon::Error}));
  EXPECT_FALSE(fs::exists(EngineFolder(home_.Path(), "Nobody")));
}

TEST_F(SearchEngineDefFrmTest, CancelWritesNothing) {
  TSearchEngineDefFrm form(home_.Path(), "R/g", dialogs_);
  form.url = "http://g/?q=$_";
  form.ClickCancel();
  EXPECT_EQ(form.ModalResult(), TModalResult::Cancel);
  EXPECT_FALSE(fs::exists(File("g")));
}

TEST_F(SearchEngineDefFrmTest, SavingAndCancellingTellTheModalResultOnce) {
  using TField = TSearchEngineDefFrm::TField;
  TSearchEngineDefFrm form(home_.Path(), "R/google", dialogs_);
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.ClickSave();  // refused: the empty URL has no "$_"
  EXPECT_TRUE(recorder.changes.empty());
  form.ClickCancel();
  form.ClickCancel();
  EXPECT_EQ(recorder.Fields(), std::vector<TField>{TField::ModalResult});
}

}  // namespace
}  // namespace varnelo::search
