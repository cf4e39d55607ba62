#include "forms/dictfrm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "search/dictionary_file.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"
#include "support/thread_gate.h"

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
  // "Ajouter", then the main queue until the registration has ended; its outcome.
  TDictionaryAddOutcome ClickAddAndWait(Tdictfrm& form) {
    std::optional<TDictionaryAddOutcome> outcome;
    const base::TConnection connection =
        form.AddFinished.Connect([&](const TDictionaryAddOutcome& finished) { outcome = finished; });
    form.ClickAdd();
    queue_.RunUntil([&] { return outcome.has_value(); });
    return *outcome;
  }
  std::optional<TDictionaryRegistration> Add(const fs::path& file) {
    Tdictfrm form(home_.Path(), dialogs_, queue_);
    form.Show();
    form.chosenFile = file;
    const TDictionaryAddOutcome outcome = ClickAddAndWait(form);
    if (outcome.error) std::rethrow_exception(outcome.error);
    return outcome.registration;
  }

  test::TTempHome home_;
  test::TRecordingDialogs dialogs_;
  base::TMainQueue queue_;
};

// Every move of the bar, as the dialog reports it.
struct TMove {
  TDictionaryPhase phase;
  std::uint64_t done;
  std::uint64_t total;
};

TEST_F(DictfrmTest, AddNormalisesKeepsABackupAndRegisters) {
  const fs::path file = Dictionary("words.txt");
  Tdictfrm form(home_.Path(), dialogs_, queue_);
  form.Show();
  EXPECT_EQ(form.DefaultFolder(), home_.Path() / "dictionary");
  EXPECT_TRUE(form.Dictionaries().empty());
  std::vector<TMove> moves;
  const base::TConnection connection =
      form.ProgressChanged.Connect([&](TDictionaryPhase phase, std::uint64_t done, std::uint64_t total) {
        moves.push_back({phase, done, total});
        EXPECT_EQ(form.Progress(), ProgressPosition(done, total));
      });
  form.chosenFile = file;
  const auto registration = ClickAddAndWait(form).registration;

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
  EXPECT_EQ(moves.back().phase, TDictionaryPhase::Writing);
  EXPECT_EQ(moves.back().done, 3u);
  EXPECT_EQ(moves.back().total, 3u);
  // Within a phase the work only goes forward, and the bar never back.
  for (size_t i = 1; i < moves.size(); ++i) {
    const TMove& before = moves[i - 1];
    const TMove& now = moves[i];
    EXPECT_TRUE(now.phase > before.phase ||
                (now.done > before.done &&
                 ProgressPosition(now.done, now.total) >= ProgressPosition(before.done, before.total)));
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
            (std::vector<TShown>{{"Dictionnaire déjà ajouté", "Erreur", base::TDialogsPort::TIcon::Error}}));
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

// Words in a shuffled order, with duplicates that differ in case, blanks around some of them and
// empty lines.
std::string GeneratedDictionary(size_t words) {
  std::mt19937 random(7);
  std::vector<std::string> lines;
  for (size_t i = 0; i < words; ++i) {
    std::string word;
    for (size_t n = i + 1; n > 0; n /= 26) word += static_cast<char>('a' + n % 26);
    lines.push_back(word);
    if (i % 10 == 0) lines.push_back("  " + std::string(1, static_cast<char>('A' + i % 26)) + word + " ");
    if (i % 50 == 0) lines.emplace_back();
  }
  std::shuffle(lines.begin(), lines.end(), random);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST_F(DictfrmTest, ALargeDictionaryRegistersWhileTheMainQueueGoesOn) {
  const std::string content = GeneratedDictionary(200000);
  const fs::path file = Dictionary("large.txt", content);
  // What the registration must leave, made by the same normalisation on a copy.
  const fs::path copy = home_.Path() / "copy.txt";
  test::WriteFile(copy, content);
  const TNormalisation expected = NormaliseDictionaryFile(copy, nullptr);

  test::TThreadGate gate;
  Tdictfrm form(home_.Path(), dialogs_, queue_, gate.ThreadStart());
  const test::TThreadGate::TOpenOnExit openOnExit{gate};  // before the dialog waits for its thread
  std::vector<std::string> events;
  std::vector<TMove> moves;
  std::optional<TDictionaryAddOutcome> outcome;
  base::TConnections listening;
  listening += form.ProgressChanged.Connect([&](TDictionaryPhase phase, std::uint64_t done, std::uint64_t total) {
    if (moves.empty()) queue_.Post([&] { events.push_back("other task"); });
    moves.push_back({phase, done, total});
    events.push_back("progress");
  });
  listening += form.AddFinished.Connect([&](const TDictionaryAddOutcome& finished) {
    outcome = finished;
    events.push_back("finished");
  });
  form.Show();
  form.chosenFile = file;
  const std::string config = Config();
  form.ClickAdd();

  EXPECT_TRUE(form.Adding());
  bool ran = false;
  queue_.Post([&] { ran = true; });
  queue_.RunPending();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(outcome);
  EXPECT_EQ(Config(), config);
  form.ClickAdd();  // pressed again meanwhile: nothing more starts

  gate.Open();
  queue_.RunUntil([&] { return outcome.has_value(); });
  ASSERT_TRUE(outcome->registration) << (outcome->error ? "failed" : "refused");
  EXPECT_FALSE(form.Adding());
  EXPECT_EQ(outcome->registration->number, 1);
  EXPECT_EQ(outcome->registration->wordCount, expected.wordCount);
  EXPECT_TRUE(outcome->registration->rewritten);
  EXPECT_EQ(test::ReadFile(file), test::ReadFile(copy));
  EXPECT_EQ(test::ReadFile(file.string() + ".bak"), content);
  EXPECT_EQ(Config(), "[general]\r\nnextnodic=2\r\n[dictionary]\r\nfile1=" + file.string() + "\r\n");
  EXPECT_FALSE(form.Visible());

  // Reading, then writing, each going forward; the last move is the whole word list written.
  ASSERT_GT(moves.size(), 10u);
  EXPECT_EQ(moves.front().phase, TDictionaryPhase::Reading);
  EXPECT_EQ(moves.front().total, content.size());
  for (size_t i = 1; i < moves.size(); ++i) {
    const TMove& before = moves[i - 1];
    const TMove& now = moves[i];
    EXPECT_TRUE((now.phase == before.phase && now.done > before.done && now.total == before.total) ||
                (before.phase == TDictionaryPhase::Reading && now.phase == TDictionaryPhase::Writing))
        << i;
  }
  EXPECT_EQ(moves.back().phase, TDictionaryPhase::Writing);
  EXPECT_EQ(moves.back().done, expected.wordCount);
  EXPECT_EQ(moves.back().total, expected.wordCount);
  EXPECT_EQ(form.Progress(), 100);
  // A task posted at the first move ran before the registration ended.
  EXPECT_EQ(events.back(), "finished");
  EXPECT_EQ(std::count(events.begin(), events.end(), "other task"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "finished"), 1);
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
  // The error reaches the application's error dialog: thrown by the click, or by the main queue's
  // call that ends the registration.
  std::vector<std::string> raised;
  queue_.SetErrorHandler([&](const std::exception& error) { raised.emplace_back(error.what()); });
  Tdictfrm form(home_.Path(), dialogs_, queue_);
  form.Show();
  form.chosenFile = *c.file ? home_.Path() / c.file : fs::path();
  std::optional<TDictionaryAddOutcome> outcome;
  const base::TConnection connection =
      form.AddFinished.Connect([&](const TDictionaryAddOutcome& finished) { outcome = finished; });
  try {
    form.ClickAdd();
  } catch (const EDictionaryReadError& error) {
    raised.emplace_back(error.what());
  }
  queue_.RunUntil([&] { return outcome.has_value(); });
  queue_.RunPending();
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_NE(raised[0].find(c.messageHas), std::string::npos) << raised[0];
  EXPECT_FALSE(outcome->registration);
  try {
    std::rethrow_exception(outcome->error);
  } catch (const EDictionaryReadError& error) {
    EXPECT_EQ(error.what(), raised[0]);
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
  Tdictfrm form(home_.Path(), dialogs_, queue_);
  form.Show();
  EXPECT_EQ(form.Dictionaries(), std::vector<std::string>{"/a.txt"});
}

TEST_F(DictfrmTest, ShowingAndClosingTellTheListAndTheVisibility) {
  using TField = Tdictfrm::TField;
  using base::TListChange;
  const config::TConfigStore store(home_.RobotConfigPath());
  store.WriteString("general", "nextnodic", "2");
  store.WriteString("dictionary", "file1", "/d/a.txt");
  Tdictfrm form(home_.Path(), dialogs_, queue_);
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

// A registration runs on after "Ajouter" has returned: the bar's moves and the closing at its end
// are changes too.
TEST_F(DictfrmTest, ARegistrationTellsTheBarThenTheClosing) {
  using TField = Tdictfrm::TField;
  Tdictfrm form(home_.Path(), dialogs_, queue_);
  form.Show();
  form.chosenFile = Dictionary("words.txt");
  test::TChangeRecorder<TField> recorder(form.Changed);
  ASSERT_FALSE(ClickAddAndWait(form).error);
  const std::vector<base::TFieldChange<TField>> changes = recorder.Take();
  ASSERT_GE(changes.size(), 2u);
  EXPECT_EQ(changes.front().field, TField::Progress);
  EXPECT_EQ(changes.back().field, TField::Visible);
}

}  // namespace
}  // namespace varnelo::search
