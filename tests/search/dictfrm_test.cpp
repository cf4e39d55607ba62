#include "search/dictfrm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/config_store.h"
#include "search/dictionary_file.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

namespace fs = std::filesystem;
using TShown = test::TRecordingDialogs::TShown;

constexpr std::string_view kWords = "  Chat\r\nchat\r\nCHAT \r\n\r\nÉté\r\nabeille\r\nété\r\n";
constexpr std::string_view kNormalised = "abeille\r\nchat\r\nÉté\r\n";

class DictfrmTest : public ::testing::Test {
protected:
  explicit DictfrmTest(std::string_view config = "[general]\r\n[dictionary]\r\n") : home_(config) {}

  fs::path Dictionary(std::string_view name, std::string_view content = kWords) {
    const fs::path file = home_.Path() / "dictionary" / name;
    test::WriteFile(file, content);
    return file;
  }
  std::string Config() const { return test::ReadFile(home_.RobotConfigPath()); }
  std::optional<TDictionaryRegistration> Add(const fs::path& file) {
    Tdictfrm form(home_.Path(), dialogs_);
    form.Show();
    form.chosenFile = file;
    return form.ClickAdd();
  }

  test::TTempHome home_;
  test::TRecordingDialogs dialogs_;
};

TEST_F(DictfrmTest, AddNormalisesKeepsABackupAndRegisters) {
  const fs::path file = Dictionary("words.txt");
  Tdictfrm form(home_.Path(), dialogs_);
  form.Show();
  EXPECT_EQ(form.DefaultFolder(), home_.Path() / "dictionary");
  EXPECT_TRUE(form.Dictionaries().empty());
  std::vector<std::pair<TDictionaryPhase, int>> moves;
  form.SetProgressHandler([&](TDictionaryPhase phase, int position) {
    moves.emplace_back(phase, position);
    EXPECT_EQ(form.Progress(), position);
  });
  form.chosenFile = file;
  const auto registration = form.ClickAdd();

  ASSERT_TRUE(registration);
  EXPECT_EQ(registration->number, 1);
  EXPECT_EQ(registration->wordCount, 3u);
  EXPECT_TRUE(registration->rewritten);
  EXPECT_EQ(test::ReadFile(file), kNormalised);
  EXPECT_EQ(test::ReadFile(file.string() + ".bak"), kWords);
  EXPECT_EQ(Config(), "[general]\r\nnextnodic=2\r\n[dictionary]\r\nfile1=" + file.string() + "\r\n");
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form.Dictionaries().empty());

  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back(), std::make_pair(TDictionaryPhase::Writing, 100));
  for (size_t i = 1; i < moves.size(); ++i) {
    EXPECT_TRUE(moves[i].first > moves[i - 1].first || moves[i].second > moves[i - 1].second);
  }

  form.Show();
  EXPECT_EQ(form.Dictionaries(), std::vector<std::string>{file.string()});
  EXPECT_EQ(form.Progress(), 0);
}

TEST_F(DictfrmTest, SamePathTwiceIsRefusedButAPathDifferingInCaseIsNot) {
  const fs::path lower = Dictionary("words.txt");
  const fs::path upper = Dictionary("Words.txt");
  ASSERT_TRUE(Add(lower));
  const std::string config = Config();
  const std::string normalised = test::ReadFile(lower);
  test::WriteFile(lower, "zzz\r\nAAA\r\n");

  EXPECT_FALSE(Add(lower));
  EXPECT_EQ(dialogs_.messages,
            (std::vector<TShown>{{"Dictionnaire déjà ajouté", "Erreur", shell::TDialogsPort::TIcon::Error}}));
  EXPECT_EQ(Config(), config);
  EXPECT_EQ(test::ReadFile(lower), "zzz\r\nAAA\r\n");

  const auto second = Add(upper);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->number, 2);
  EXPECT_EQ(Config(), "[general]\r\nnextnodic=3\r\n[dictionary]\r\nfile1=" + lower.string() + "\r\nfile2=" +
                          upper.string() + "\r\n");
}

TEST_F(DictfrmTest, ExistingBackupRegistersWithoutRewriting) {
  const fs::path file = Dictionary("words.txt");
  test::WriteFile(file.string() + ".bak", "older\r\n");
  const auto registration = Add(file);
  ASSERT_TRUE(registration);
  EXPECT_FALSE(registration->rewritten);
  EXPECT_EQ(test::ReadFile(file), kWords);
  EXPECT_EQ(test::ReadFile(file.string() + ".bak"), "older\r\n");
  EXPECT_EQ(Config(), "[general]\r\nnextnodic=2\r\n[dictionary]\r\nfile1=" + file.string() + "\r\n");
}

TEST_F(DictfrmTest, EmptyFileIsRegisteredEmpty) {
  const fs::path file = Dictionary("empty.txt", "");
  const auto registration = Add(file);
  ASSERT_TRUE(registration);
  EXPECT_EQ(registration->wordCount, 0u);
  EXPECT_EQ(test::ReadFile(file), "");
  EXPECT_TRUE(fs::exists(file.string() + ".bak"));
}

TEST_F(DictfrmTest, RewrittenFileKeepsItsPermissions) {
  const fs::path file = Dictionary("words.txt");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(Add(file));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

struct TUnreadableCase {
  const char* name;
  const char* file;  // relative to the home; empty for none chosen
  const char* messageHas;
};

class DictfrmUnreadableTest : public DictfrmTest, public ::testing::WithParamInterface<TUnreadableCase> {};

TEST_P(DictfrmUnreadableTest, ThrowsAndRegistersNothing) {
  const TUnreadableCase& c = GetParam();
  const std::string config = Config();
  Tdictfrm form(home_.Path(), dialogs_);
  form.Show();
  form.chosenFile = *c.file ? home_.Path() / c.file : fs::path();
  try {
    form.ClickAdd();
    ADD_FAILURE() << "no error";
  } catch (const EDictionaryReadError& error) {
    EXPECT_NE(std::string(error.what()).find(c.messageHas), std::string::npos) << error.what();
  }
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(Config(), config);
  EXPECT_TRUE(dialogs_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DictfrmUnreadableTest,
    ::testing::Values(TUnreadableCase{"missing", "dictionary/none.txt", "No such file or directory"},
                      TUnreadableCase{"folder", "dictionary", "Is a directory"},
                      TUnreadableCase{"noneChosen", "", "no file chosen"}),
    [](const auto& info) { return std::string(info.param.name); });

class DictfrmNumberingTest : public DictfrmTest {
protected:
  DictfrmNumberingTest()
      : DictfrmTest("[general]\r\nnextnodic=2\r\n[dictionary]\r\nfile1=/a.txt\r\nfile2=/b.txt\r\nFILE3=\r\n") {}
};

// A hand-edited file whose counter lags behind its keys: registering must not overwrite one.
TEST_F(DictfrmNumberingTest, NumbersInUseArePassedOver) {
  const fs::path file = Dictionary("words.txt");
  const auto registration = Add(file);
  ASSERT_TRUE(registration);
  EXPECT_EQ(registration->number, 4);
  EXPECT_EQ(Config(), "[general]\r\nnextnodic=5\r\n[dictionary]\r\nfile1=/a.txt\r\nfile2=/b.txt\r\nFILE3=\r\nfile4=" +
                          file.string() + "\r\n");
}

TEST_F(DictfrmNumberingTest, ListShowsNumbersBelowTheCounter) {
  Tdictfrm form(home_.Path(), dialogs_);
  form.Show();
  EXPECT_EQ(form.Dictionaries(), std::vector<std::string>{"/a.txt"});
}

TEST_F(DictfrmTest, ShowingAndClosingTellTheListAndTheVisibility) {
  using TField = Tdictfrm::TField;
  using base::TListChange;
  const config::TConfigStore store(home_.RobotConfigPath());
  store.WriteString("general", "nextnodic", "2");
  store.WriteString("dictionary", "file1", "/d/a.txt");
  Tdictfrm form(home_.Path(), dialogs_);
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.Show();
  EXPECT_EQ(recorder.Take(), (std::vector<base::TFieldChange<TField>>{
                                 {TField::Visible, std::nullopt}, {TField::Dictionaries, TListChange::Inserted(0)}}));
  form.Show();
  EXPECT_TRUE(recorder.changes.empty());
  form.ClickCancel();
  EXPECT_EQ(recorder.Take(), (std::vector<base::TFieldChange<TField>>{
                                 {TField::Visible, std::nullopt}, {TField::Dictionaries, TListChange::Removed(0)}}));
}

}  // namespace
}  // namespace varnelo::search
