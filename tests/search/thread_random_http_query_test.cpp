#include "search/thread_random_http_query.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>

#include "base/text.h"
#include "config/config_store.h"
#include "network/network_fixture.h"
#include "platform/unique_fd.h"
#include "search/definition_paths.h"
#include "support/loopback_server.h"
#include "support/robot_run.h"
#include "support/scripted_answer.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;
using test::TScriptedAnswer;

constexpr std::string_view kRobot = "R";
// The robot's dictionary is number 3 and the worker does work item 2: its key is thread3*2.
constexpr std::string_view kThread = "2";
constexpr std::string_view kItemKey = "thread3*2";
// Generous: a stopped worker ends within about a second.
constexpr auto kEndBound = 20s;

// What the end handler saw of the worker.
struct TEnd {
  std::string firstWord, lastWord, lastWordDone, workItemKey;
  std::deque<std::string> remaining;
  bool aborted = false;
  std::exception_ptr fatal;
};

bool IcmpAllowed() {
  for (const int type : {SOCK_DGRAM, SOCK_RAW}) {
    if (platform::TUniqueFd(::socket(AF_INET, type, IPPROTO_ICMP)).Valid()) return true;
  }
  return false;
}

// A link as a result page holds it.
std::string Link(const std::string& url) { return "<a href=\"" + url + "\">x</a>"; }

class RandomQueryTest : public network::NetworkTest {
protected:
  RandomQueryTest() {
    environment_.Set("VARNELO_LOOPBACK_ONLY", "1");
    environment_.Set("VARNELO_PING_HOST", "127.0.0.1");
    store_.WriteString(kRobot, "DataFrom", "Random Http Query");
    store_.WriteString(kRobot, "dict", "3");
    store_.WriteString(kRobot, "RobotDefFile", "r.def");
    server_.AnswerOthers(TScriptedAnswer::Ok(""));
  }

  // The definition: queries /q?w=<word>, takes every absolute URL of a link, and `extra` keys; of
  // type "Standard" without start and end words unless `extra` says otherwise.
  void Define(const std::string& extra, const std::string& getQuery = "") {
    const std::string type =
        extra.find("LimitationDefinitionType") == std::string::npos ? "LimitationDefinitionType=Standard\r\n" : "";
    test::WriteFile(DefinitionsFolder(run_.ports.home) / "r.def",
                    "[Properties]\r\ngetquery=" + (getQuery.empty() ? server_.Url("/q?w=$_") : getQuery) +
                        "\r\nurlregexp=http://[^\"]+\r\ngflag=1\r\n" + type + extra);
  }

  // The answer to the query with `word`.
  void AnswerWord(const std::string& word, const std::vector<std::string>& lines) {
    std::string body;
    for (const std::string& line : lines) body += line + "\r\n";
    server_.Answer("/q?w=" + word, TScriptedAnswer::Ok(body));
  }

  // The robot hands what it extracts to a script that appends the URL and the items to out.txt.
  void UseScript() {
    const std::filesystem::path script = files_.Path() / "store.pas";
    const std::string out = ScriptOutput().string();
    test::WriteFile(script, "uses SysUtils;\r\nvar f: TextFile; i: Integer;\r\nbegin\r\n"
                            "  AssignFile(f, '" + out + "');\r\n"
                            "  if FileExists('" + out + "') then Append(f) else Rewrite(f);\r\n"
                            "  WriteLn(f, 'URL ' + url);\r\n"
                            "  for i := 0 to extractedItems.Count - 1 do WriteLn(f, '[' + extractedItems[i] + ']');\r\n"
                            "  CloseFile(f);\r\n"
                            "  Result := IntToStr(extractedItems.Count) + ' items';\r\nend.\r\n");
    store_.WriteString(kRobot, "SendToScript", "1");
    store_.WriteString(kRobot, "ScriptName", script.string());
  }
  std::filesystem::path ScriptOutput() const { return files_.Path() / "out.txt"; }
  std::vector<std::string> ScriptOutputLines() const {
    if (!std::filesystem::exists(ScriptOutput())) return {};
    return base::SplitLines(test::ReadFile(ScriptOutput()));
  }

  TThreadRandomHttpQuery& Start(std::deque<std::string> words, std::optional<std::string> firstWord = std::nullopt) {
    auto limitation = TLimitation::LoadForRun(run_.ports.home, kRobot, run_.dialogs);
    EXPECT_NE(limitation, nullptr);
    const std::string first = firstWord.value_or(words.empty() ? std::string() : words.front());
    auto worker = std::make_unique<TThreadRandomHttpQuery>(run_.ports, std::string(kRobot), std::move(limitation),
                                                           first, std::move(words), std::string(kThread));
    worker->SetOnTerminate([this](base::TWorker& ended) {
      const auto& w = static_cast<const TThreadRandomHttpQuery&>(ended);
      end_ = TEnd{w.FirstWord(), w.LastWord(), w.LastWordDone(), w.WorkItemKey(), w.RemainingWords(), w.Aborted(),
                  w.FatalException()};
    });
    return static_cast<TThreadRandomHttpQuery&>(*base::TWorker::Start(std::move(worker)));
  }

  // Runs the main thread until the worker has ended; a worker that does not end within the bound is
  // reported, and still waited for.
  TEnd WaitForEnd() {
    const auto bound = std::chrono::steady_clock::now() + kEndBound;
    run_.mainQueue.RunUntil([&] { return end_.has_value() || std::chrono::steady_clock::now() > bound; });
    EXPECT_TRUE(end_.has_value()) << "the worker did not end in time";
    run_.mainQueue.RunUntil([&] { return end_.has_value(); });
    if (end_->fatal) std::rethrow_exception(end_->fatal);
    return *end_;
  }

  TEnd Run(std::deque<std::string> words, std::optional<std::string> firstWord = std::nullopt) {
    Start(std::move(words), std::move(firstWord));
    return WaitForEnd();
  }

  // Runs the main thread until the server has seen `count` requests for `pathAndQuery`.
  void WaitForRequests(const std::string& pathAndQuery, size_t count) {
    run_.mainQueue.RunUntil([&] { return RequestsFor(pathAndQuery) >= count; });
  }

  size_t RequestsFor(const std::string& pathAndQuery) const {
    size_t count = 0;
    for (const test::TRecordedRequest& request : server_.Requests()) count += request.Target() == pathAndQuery;
    return count;
  }

  std::vector<std::string> Targets() const {
    std::vector<std::string> targets;
    for (const test::TRecordedRequest& request : server_.Requests()) targets.push_back(request.Target());
    return targets;
  }

  std::optional<std::string> WorkItem() const {
    const std::string value = config::TConfigStore(home_.RobotConfigPath()).ReadString(kRobot, kItemKey, "");
    if (value.empty()) return std::nullopt;
    return value;
  }

  std::string Fetched(const std::string& path) const { return "R:2:" + server_.Url(path); }

  test::TTempHome home_;
  test::TTempDir files_;
  config::TConfigStore store_{home_.RobotConfigPath()};
  test::TLoopbackServer server_;
  test::TRobotRun run_{home_.Path()};
  std::optional<TEnd> end_;
};

TEST_F(RandomQueryTest, WordsAreQueriedInOrderAndTheirPagesFetchedInPageOrder) {
  Define("", server_.Url("/q?w=$_&again=$_"));
  server_.Answer("/q?w=chat&again=chat",
                 TScriptedAnswer::Ok(Link(server_.Url("/d/b")) + Link(server_.Url("/d/a")) + "\r\n" +
                                     Link(server_.Url("/d/c")) + "\r\n"));

  const TEnd end = Run({"chat", "Ch%41ise"});

  EXPECT_THAT(Targets(), ElementsAre("/q?w=chat&again=chat", "/d/b", "/d/a", "/d/c",
                                     "/q?w=Ch%41ise&again=Ch%41ise"));
  EXPECT_THAT(run_.log.lines, ElementsAre(Fetched("/d/b"), Fetched("/d/a"), Fetched("/d/c"),
                                          "Finished word chat in thread2", "Finished word Ch%41ise in thread2",
                                          "ending thread(R:2)"));
  EXPECT_FALSE(end.aborted);
  EXPECT_EQ(end.firstWord, "chat");
  EXPECT_EQ(end.lastWord, "Ch%41ise");
  EXPECT_EQ(end.lastWordDone, "Ch%41ise");
  EXPECT_THAT(end.remaining, IsEmpty());
  EXPECT_EQ(end.workItemKey, kItemKey);
  // Two words: no progress record yet; the runner writes the end state.
  EXPECT_EQ(WorkItem(), std::nullopt);
}

TEST_F(RandomQueryTest, AnEmptyListOnlyEnds) {
  Define("");
  const TEnd end = Run({});
  EXPECT_THAT(run_.log.lines, ElementsAre("ending thread(R:2)"));
  EXPECT_EQ(end.lastWord, "");
  EXPECT_EQ(end.lastWordDone, kNothingProcessed);
  EXPECT_THAT(Targets(), IsEmpty());
}

struct TZoneCase {
  const char* name;
  std::string definition;
  // Lines of the answer; "{N}" stands for a link to /d/N.
  std::vector<std::string> answer;
  std::vector<std::string> fetched;
};

class ResultZoneTest : public RandomQueryTest, public ::testing::WithParamInterface<TZoneCase> {};

TEST_P(ResultZoneTest, OnlyTheResultZoneIsSearched) {
  const TZoneCase& c = GetParam();
  Define(c.definition);
  std::vector<std::string> lines;
  for (std::string line : c.answer) {
    for (size_t at = line.find('{'); at != std::string::npos; at = line.find('{')) {
      const size_t close = line.find('}', at);
      line.replace(at, close - at + 1, Link(server_.Url("/d/" + line.substr(at + 1, close - at - 1))));
    }
    lines.push_back(line);
  }
  AnswerWord("w", lines);

  Run({"w"});

  std::vector<std::string> expected{"/q?w=w"};
  for (const std::string& page : c.fetched) expected.push_back("/d/" + page);
  EXPECT_THAT(Targets(), ElementsAreArray(expected));
  EXPECT_THAT(run_.log.lines, Contains("Finished word w in thread2"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultZoneTest,
    ::testing::Values(
        TZoneCase{"StartLineIsNotSearchedEndLineEndsThePage",
                  "LimitationDefinitionType=Regular Expression\r\nstartresult=RESULTS\r\nendresult=^END\r\n",
                  {"{before}", "RESULTS {startline}", "{one} {two}", "END {endline}", "{after}"},
                  {"one", "two"}},
        TZoneCase{"EndBeforeStartEndsThePageWithNothingTaken",
                  "LimitationDefinitionType=Regular Expression\r\nstartresult=RESULTS\r\nendresult=^END\r\n",
                  {"END", "RESULTS", "{one}"},
                  {}},
        TZoneCase{"RegularExpressionWithoutStartBeginsAtTheFirstLine",
                  "LimitationDefinitionType=Regular Expression\r\nendresult=^END\r\n",
                  {"{one}", "END", "{two}"},
                  {"one"}},
        TZoneCase{"StandardWithoutStartWordUpToTheTableEnd",
                  "LimitationDefinitionType=Standard\r\nRelopEndResult==\r\nWordRelopEndResult=</table>\r\n",
                  {"{one}", "<td>{two}</td></table>", "</table>", "{three}"},
                  {"one", "two"}},
        TZoneCase{"StandardStartWord",
                  "LimitationDefinitionType=Standard\r\nRelopStartResult==\r\nWordRelopStartResult=<results>\r\n",
                  {"{zero}", "<results>", "{one}"},
                  {"one"}},
        TZoneCase{"AnotherTypeWithoutStartWordFindsNothing",
                  "LimitationDefinitionType=Autre\r\n",
                  {"{one}", "{two}"},
                  {}}),
    [](const ::testing::TestParamInfo<TZoneCase>& info) { return std::string(info.param.name); });

TEST_F(RandomQueryTest, AUrlIsFetchedOncePerWord) {
  Define("");
  const std::string twice = Link(server_.Url("/d/same")) + Link(server_.Url("/d/same"));
  AnswerWord("one", {twice, Link(server_.Url("/d/same"))});
  AnswerWord("two", {twice});

  Run({"one", "two"});

  EXPECT_THAT(Targets(), ElementsAre("/q?w=one", "/d/same", "/q?w=two", "/d/same"));
}

TEST_F(RandomQueryTest, DocumentsOfOfficeAndPdfTypesAreSkipped) {
  Define("");
  AnswerWord("w", {Link(server_.Url("/d/a.pdf")) + Link(server_.Url("/d/b.Doc")) + Link(server_.Url("/d/c.PPT")) +
                   Link(server_.Url("/d/d.docx")) + Link(server_.Url("/d/a.pdf"))});

  Run({"w"});

  EXPECT_THAT(Targets(), ElementsAre("/q?w=w", "/d/d.docx"));
  EXPECT_THAT(run_.log.lines, ElementsAre(Fetched("/d/d.docx"), "Finished word w in thread2", "ending thread(R:2)"));
}

TEST_F(RandomQueryTest, DataExpressionItemsGoToTheScriptUnlessSpamOrTooMany) {
  store_.WriteString("general", "spamword", ",casino");
  store_.WriteString("general", "maxextractedItems", "4");
  UseScript();
  Define("DataLimitingRegexp=<b>\\d</b>\r\n");
  AnswerWord("w", {Link(server_.Url("/d/three")) + Link(server_.Url("/d/spam")) + Link(server_.Url("/d/many")) +
                   Link(server_.Url("/d/four")) + Link(network::RefusedUrl("/d/missing"))});
  server_.Answer("/d/three", TScriptedAnswer::Ok("<b>1</b> x <b>2</b><b>3</b>\r\n<B>4</B>\r\n"));
  server_.Answer("/d/spam", TScriptedAnswer::Ok("<b>1</b>\r\nbest casino here\r\n"));
  server_.Answer("/d/many", TScriptedAnswer::Ok("<b>1</b><b>2</b><b>3</b><b>4</b><b>5</b>\r\n"));
  server_.Answer("/d/four", TScriptedAnswer::Ok("<b>1</b><b>2</b>\r\n\r\n<b>3</b><b>4</b>\r\n"));
  // A page that cannot be fetched is passed over without a line.

  Run({"w"});

  EXPECT_THAT(run_.log.lines,
              ElementsAre(Fetched("/d/three"), "3 items", Fetched("/d/spam"), Fetched("/d/many"), Fetched("/d/four"),
                          "4 items", "Finished word w in thread2",
                          "ending thread(R:2)"));
  EXPECT_THAT(ScriptOutputLines(),
              ElementsAre("URL " + server_.Url("/d/three"), "[<b>1</b>]", "[<b>2</b>]", "[<b>3</b>]",
                          "URL " + server_.Url("/d/four"), "[<b>1</b>]", "[<b>2</b>]", "[<b>3</b>]", "[<b>4</b>]"));
}

TEST_F(RandomQueryTest, WithoutDataExpressionThePageLessItsTrailingBlankLinesGoesToTheScript) {
  store_.WriteString("general", "spamword", "casino");
  store_.WriteString("general", "maxextractedItems", "1");
  UseScript();
  Define("");
  AnswerWord("w", {Link(server_.Url("/d/page"))});
  server_.Answer("/d/page", TScriptedAnswer::Ok("first casino\r\n\r\n  second\r\n \t\r\n\r\n"));

  Run({"w"});

  EXPECT_THAT(ScriptOutputLines(), ElementsAre("URL " + server_.Url("/d/page"), "[first casino]", "[]", "[  second]"));
  EXPECT_THAT(run_.log.lines, Contains("3 items"));
}

TEST_F(RandomQueryTest, WithoutSendToScriptPagesAreOnlyFetched) {
  UseScript();
  store_.WriteString(kRobot, "SendToScript", "0");
  Define("");
  AnswerWord("w", {Link(server_.Url("/d/page"))});

  Run({"w"});

  EXPECT_THAT(run_.log.lines, ElementsAre(Fetched("/d/page"), "Finished word w in thread2", "ending thread(R:2)"));
  EXPECT_FALSE(std::filesystem::exists(ScriptOutput()));
}

struct TProgressCase {
  int words;
  std::optional<std::string> first;
  std::optional<std::string> record;
};

class ProgressRecordTest : public RandomQueryTest, public ::testing::WithParamInterface<TProgressCase> {};

TEST_P(ProgressRecordTest, EveryThirdWordIsRecorded) {
  const TProgressCase& c = GetParam();
  Define("");
  std::deque<std::string> words;
  for (int i = 1; i <= c.words; ++i) words.push_back("w" + std::to_string(i));

  Run(words, c.first);

  EXPECT_EQ(WorkItem(), c.record);
}

INSTANTIATE_TEST_SUITE_P(Words, ProgressRecordTest,
                         ::testing::Values(TProgressCase{2, std::nullopt, std::nullopt},
                                           TProgressCase{5, std::nullopt, "w1,w5,w4,processing"},
                                           TProgressCase{6, std::nullopt, "w1,w6,w6,processingdone"},
                                           TProgressCase{7, std::nullopt, "w1,w7,w7,processing"},
                                           // A resumed item keeps the first word of its range.
                                           TProgressCase{3, "w0", "w0,w3,w3,processingdone"}));

TEST_F(RandomQueryTest, AStopDuringAPageAbortsTheWordWithoutHandingThePageOn) {
  UseScript();
  Define("");
  AnswerWord("w1", {Link(server_.Url("/d/done")) + Link(server_.Url("/d/held")) + Link(server_.Url("/d/later"))});
  // Part of the page, then silence: the read only ends through the stop.
  server_.Answer("/d/held", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart\r\n")
                                .Pause(10min));

  TThreadRandomHttpQuery& worker = Start({"w1", "w2", "w3"});
  WaitForRequests("/d/held", 1);
  worker.Terminate();
  const TEnd end = WaitForEnd();

  EXPECT_TRUE(end.aborted);
  EXPECT_THAT(run_.log.lines, ElementsAre(Fetched("/d/done"), "0 items", "thread(R:2) aborted"));
  EXPECT_THAT(ScriptOutputLines(), ElementsAre("URL " + server_.Url("/d/done")));
  EXPECT_THAT(end.remaining, ElementsAre("w1", "w2", "w3"));
  EXPECT_EQ(end.lastWordDone, kNothingProcessed);
  EXPECT_THAT(Targets(), Not(Contains("/d/later")));
  EXPECT_EQ(WorkItem(), std::nullopt);
}

TEST_F(RandomQueryTest, AStopAfterSomeWordsKeepsTheRest) {
  Define("");
  for (const std::string word : {"w1", "w2", "w3", "w4"}) AnswerWord(word, {});
  AnswerWord("w5", {Link(server_.Url("/d/held"))});
  server_.Answer("/d/held", TScriptedAnswer::Raw("").Pause(10min));

  TThreadRandomHttpQuery& worker = Start({"w1", "w2", "w3", "w4", "w5", "w6"});
  WaitForRequests("/d/held", 1);
  worker.Terminate();
  const TEnd end = WaitForEnd();

  EXPECT_TRUE(end.aborted);
  EXPECT_EQ(end.lastWordDone, "w4");
  EXPECT_THAT(end.remaining, ElementsAre("w5", "w6"));
  EXPECT_EQ(run_.log.lines.back(), "thread(R:2) aborted");
  // The record of word 3 stays until the runner writes the end state.
  EXPECT_EQ(WorkItem(), "w1,w6,w4,processing");
}

// The answer to the query redirects to a port where nothing listens, so every fetch of it fails while
// the server counts the tries.
class FailingQueryTest : public RandomQueryTest {
protected:
  FailingQueryTest() {
    Define("");
    server_.Answer("/q?w=w", TScriptedAnswer::Redirect(302, network::RefusedUrl("/gone")));
  }
};

TEST_F(FailingQueryTest, WhileTheProbeHostIsSilentTheQueryIsTriedAgainUntilTheStop) {
  // Refused by the loopback guard: the probe fails at once.
  environment_.Set("VARNELO_PING_HOST", "192.0.2.1");
  TThreadRandomHttpQuery& worker = Start({"w", "x"});
  WaitForRequests("/q?w=w", 3);
  worker.Terminate();
  const TEnd end = WaitForEnd();

  EXPECT_TRUE(end.aborted);
  EXPECT_THAT(run_.log.lines, ElementsAre("thread(R:2) aborted"));
  EXPECT_THAT(end.remaining, ElementsAre("w", "x"));
  EXPECT_EQ(WorkItem(), std::nullopt);
}

TEST_F(FailingQueryTest, WhileTheProbeHostIsSilentTheQueryIsTriedAgainUntilItAnswers) {
  environment_.Set("VARNELO_PING_HOST", "192.0.2.1");
  Start({"w"});
  WaitForRequests("/q?w=w", 2);
  AnswerWord("w", {Link(server_.Url("/d/page"))});
  const TEnd end = WaitForEnd();

  EXPECT_FALSE(end.aborted);
  EXPECT_THAT(run_.log.lines, ElementsAre(Fetched("/d/page"), "Finished word w in thread2", "ending thread(R:2)"));
}

TEST_F(FailingQueryTest, WhenTheProbeHostAnswersTheWordIsGivenUp) {
  if (!IcmpAllowed()) GTEST_SKIP() << "no ICMP socket here: the probe cannot answer";
  const TEnd end = Run({"w"});

  EXPECT_FALSE(end.aborted);
  EXPECT_EQ(RequestsFor("/q?w=w"), 1u);
  EXPECT_THAT(run_.log.lines, ElementsAre("Finished word w in thread2", "ending thread(R:2)"));
}

}  // namespace
}  // namespace varnelo::search
