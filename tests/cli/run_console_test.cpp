#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>
#include <string>

#include "cli_dialogs.h"
#include "cli_log.h"
#include "row_printer.h"
#include "runner/robot_runner.h"
#include "status_line.h"
#include "terminal_question.h"

namespace varnelo::cli {
namespace {

using TAnswer = base::TDialogsPort::TAnswer;
using TIcon = base::TDialogsPort::TIcon;

TEST(CliDialogsTest, TheResetQuestionGetsTheAnswerSettledBeforeTheStart) {
  std::ostringstream out;
  TStatusLine status(out, false);
  TCliDialogs keep(out, status, TAnswer::No);
  TCliDialogs reset(out, status, TAnswer::Yes);
  EXPECT_EQ(keep.Question(runner::kResetQuestion, runner::kConfirmationCaption, false), TAnswer::No);
  EXPECT_EQ(reset.Question(runner::kResetQuestion, runner::kConfirmationCaption, false), TAnswer::Yes);
  EXPECT_EQ(out.str(), "");
  // Any other question (a script's, say) has nobody to answer it.
  EXPECT_EQ(reset.Question("Store?", "Confirmation", false), TAnswer::No);
  EXPECT_EQ(out.str(), "varnelo-cli: Store? (answered No)\n");
}

TEST(CliDialogsTest, CountsTheErrorsShown) {
  std::ostringstream out;
  TStatusLine status(out, false);
  TCliDialogs dialogs(out, status, std::nullopt);
  dialogs.MessageBox("hello", "Varnelo", TIcon::None);
  dialogs.MessageBox("note", "Information", TIcon::Information);
  EXPECT_EQ(dialogs.Errors(), 0);
  dialogs.MessageBox("erreur dans le format d'URL", "Erreur", TIcon::Error);
  dialogs.ApplicationError("ERROR: Unable to write to /x");
  EXPECT_EQ(dialogs.Errors(), 2);
  EXPECT_EQ(out.str(),
            "varnelo-cli: hello\nvarnelo-cli: note\nvarnelo-cli: erreur dans le format d'URL\n"
            "varnelo-cli: ERROR: Unable to write to /x\n");
}

// The progress line is taken away before a log line or a row is written, whichever stream it is.
TEST(StatusLineTest, LogLinesAndRowsClearTheProgressLineFirst) {
  std::ostringstream terminal;
  TStatusLine status(terminal, true);
  TCliLog log(terminal, status);
  TRowPrinter rows(terminal, false, status);
  base::TResultTabs tabs;
  rows.Watch(tabs);
  const base::TTabId tab = tabs.OpenResultTab(base::TTabTemplate::ListViewRSS, nullptr, "Moteurs", "rss");
  status.Show("Moteurs: 1 worker running, 0 rows");
  log.AppendLine("Robot Moteurs s'est terminé");
  log.AppendLine("second");
  status.Show("Moteurs: 1 worker running, 0 rows");
  tabs.AddRow(tab, base::TListRow{"titre", {"lien", ""}, {}});
  EXPECT_EQ(terminal.str(),
            "\r\x1b[KMoteurs: 1 worker running, 0 rows\r\x1b[KRobot Moteurs s'est terminé\nsecond\n"
            "\r\x1b[KMoteurs: 1 worker running, 0 rows\r\x1b[Krss\ttitre\tlien\t\n");
  EXPECT_EQ(rows.Rows(), 1);
}

// A batch of rows prints one line per row, in order; navigations print too, and a tab closed
// meanwhile changes nothing of what was printed.
TEST(RowPrinterTest, PrintsEveryRowOfABatchAndEveryNavigation) {
  std::ostringstream out;
  TStatusLine status(out, false);
  base::TResultTabs tabs;
  {
    TRowPrinter rows(out, false, status);
    rows.Watch(tabs);
    const base::TTabId list = tabs.OpenResultTab(base::TTabTemplate::ListView, nullptr, "site", "Web Site: s");
    const base::TTabId page = tabs.OpenResultTab(base::TTabTemplate::WebBrowser, nullptr, "site", "Page");
    tabs.AddRow(list, base::TListRow{"http://h/1", {"un"}, {}});
    tabs.AddRows(list, {base::TListRow{"http://h/2", {"deux"}, {}}, base::TListRow{"http://h/3", {"trois"}, {}}});
    tabs.AddRows(list, {});
    tabs.Navigate(page, "http://h/p");
    tabs.Close(list);
    tabs.AddRow(list, base::TListRow{"http://h/4", {"quatre"}, {}});
    EXPECT_EQ(rows.Rows(), 3);
  }
  // Once the printer is gone, the tabs print nothing.
  tabs.Navigate(tabs.Tabs().front()->Id, "http://h/q");
  EXPECT_EQ(out.str(),
            "Web Site: s\thttp://h/1\tun\nWeb Site: s\thttp://h/2\tdeux\nWeb Site: s\thttp://h/3\ttrois\n"
            "Page\thttp://h/p\n");
}

TEST(StatusLineTest, ShowsNothingWhenNotATerminal) {
  std::ostringstream out;
  TStatusLine status(out, false);
  status.Show("progress");
  status.Clear();
  EXPECT_EQ(out.str(), "");
}

// The answer comes through a pipe, as from a terminal.
class AskOnTerminalTest : public ::testing::Test {
protected:
  AskOnTerminalTest() { EXPECT_EQ(::pipe(fds_), 0); }
  ~AskOnTerminalTest() override {
    ::close(fds_[0]);
    if (fds_[1] >= 0) ::close(fds_[1]);
  }
  void Type(const std::string& text) { ASSERT_EQ(::write(fds_[1], text.data(), text.size()), static_cast<ssize_t>(text.size())); }
  void EndInput() {
    ::close(fds_[1]);
    fds_[1] = -1;
  }
  TTerminalAnswer Ask(const std::function<bool()>& interrupted = [] { return false; }) {
    return AskOnTerminal("Voulez-vous ?", out_, fds_[0], interrupted);
  }

  int fds_[2] = {-1, -1};
  std::ostringstream out_;
};

TEST_F(AskOnTerminalTest, AsksAgainUntilTheAnswerIsYesOrNo) {
  Type("peut-etre\n  OUI \n");
  EXPECT_EQ(Ask(), TTerminalAnswer::Yes);
  EXPECT_EQ(out_.str(), "Voulez-vous ? (oui/non) ? Voulez-vous ? (oui/non) ? ");
  Type("n\n");
  EXPECT_EQ(Ask(), TTerminalAnswer::No);
}

TEST_F(AskOnTerminalTest, EndOfInputAnswersNo) {
  Type("oui");  // no line end before the end of the input: still an answer
  EndInput();
  EXPECT_EQ(Ask(), TTerminalAnswer::Yes);
  EXPECT_EQ(Ask(), TTerminalAnswer::No);
}

TEST_F(AskOnTerminalTest, AStopSignalWhileWaitingInterrupts) {
  int polls = 0;
  EXPECT_EQ(Ask([&polls] { return ++polls > 2; }), TTerminalAnswer::Interrupted);
}

}  // namespace
}  // namespace varnelo::cli
