#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "config/config_store.h"
#include "platform/file_url.h"
#include "results/post_proxy.h"
#include "search/definition_paths.h"
#include "search/query_marker.h"
#include "search/search_engine_definition.h"
#include "search/thread_search_engine.h"
#include "support/loopback_server.h"
#include "support/robot_run.h"
#include "support/temp_home.h"

namespace varnelo::search {
namespace {

using namespace std::chrono_literals;
using base::TListRow;
using base::TTabTemplate;
using test::TScriptedAnswer;

constexpr std::string_view kRobot = "news";
constexpr std::string_view kEncodedQuery = "fish%20&%20chips";
// Joins what the script gets: the URL, then every line, "|" between them.
constexpr std::string_view kJoiningScript =
    "var i: Integer; s: String;\r\nbegin\r\n  s := url;\r\n"
    "  for i := 0 to extractedItems.Count - 1 do s := s + '|' + extractedItems[i];\r\n  Result := s;\r\nend.\r\n";

// A browser that never finishes loading.
class TStalledBrowser : public base::TBrowser {
public:
  void Navigate(const std::string&) override {}
  void NavigateWithPost(const std::string&, const std::string&, const std::string&) override {}
  void GoBack() override {}
  void GoForward() override {}
  void Stop() override {}
  void GoHome() override {}
  std::string DocumentSource() const override { return "<p>partial"; }
  std::string LocationUrl() const override { return ""; }
  std::string Title() const override { return ""; }
};

// Stalled browsers; no Mozilla control when `mozillaInstalled` is false.
class TStalledBrowserFactory : public base::TBrowserFactory {
public:
  explicit TStalledBrowserFactory(bool mozillaInstalled) : mozillaInstalled_(mozillaInstalled) {}
  std::unique_ptr<base::TBrowser> CreateBrowser(base::TBrowserKind kind) override {
    if (kind == base::TBrowserKind::Mozilla && !mozillaInstalled_) return nullptr;
    return std::make_unique<TStalledBrowser>();
  }

private:
  bool mozillaInstalled_;
};

class SearchEngineWorkerTest : public ::testing::Test {
protected:
  SearchEngineWorkerTest() { run.UseHeadlessBrowsers(); }

  void Robot(const std::vector<std::pair<std::string, std::string>>& keys) {
    for (const auto& [key, value] : keys) store.WriteString(kRobot, key, value);
  }
  void Browser(std::string_view name) { store.WriteString("general", "browser", name); }
  std::string Script(std::string_view source) {
    const std::filesystem::path file = home.Path() / "answer.pas";
    test::WriteFile(file, source);
    return file.string();
  }
  // Writes the definition `fileName` of the robot and gives the job of that engine; `path` is where
  // `getquery` points on the server, and "$_" in it takes the encoded query.
  TSearchEngineJob Engine(const std::string& fileName, const std::string& path, bool rss,
                          const std::string& postQuery = "") {
    const std::filesystem::path file = EngineFolder(home.Path(), kRobot) / fileName;
    std::filesystem::create_directories(file.parent_path());
    const std::string getQuery = server.Url(path);
    WriteSearchEngineDefinition(file, TSearchEngineDefinition{getQuery, rss, postQuery});
    TSearchEngineJob job;
    job.robotName = kRobot;
    job.desc = TDescURL{file, rss};
    job.engineUrl = ReplaceQueryMarker(getQuery, kEncodedQuery);
    job.encodedQuery = kEncodedQuery;
    return job;
  }
  void Run(TSearchEngineJob job, std::chrono::milliseconds downloadWaitLimit = TThreadSearchEngine::kDownloadWaitLimit) {
    auto worker = std::make_unique<TThreadSearchEngine>(run.ports, std::move(job));
    worker->SetDownloadWaitLimit(downloadWaitLimit);
    run.RunToEnd(std::move(worker));
  }
  // Runs the main queue until `done` holds, 10 s at most (browsers go on loading after their worker).
  bool RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    run.mainQueue.RunUntil([&] { return done() || std::chrono::steady_clock::now() > deadline; });
    return done();
  }
  const base::TTabSheet& OnlyTab() {
    EXPECT_EQ(run.tabs.Tabs().size(), 1u);
    return *run.tabs.Tabs().front();
  }

  test::TTempHome home;
  config::TConfigStore store{home.RobotConfigPath()};
  test::TRobotRun run{home.Path()};
  test::TLoopbackServer server;
};

struct TFeedCase {
  const char* name;
  std::string body;
  std::vector<base::TListRow> rows;
};
void PrintTo(const TFeedCase& c, std::ostream* os) { *os << c.name; }

class SearchEngineFeedTest : public SearchEngineWorkerTest, public ::testing::WithParamInterface<TFeedCase> {};

TEST_P(SearchEngineFeedTest, FeedItemsBecomeRowsOfTheEnginesOwnTab) {
  Robot({{"SeeOnScreen", "1"}});
  server.Answer("/feed", TScriptedAnswer::Ok(GetParam().body, "Content-Type: text/xml\r\n"));
  Run(Engine("Le Monde.rss", "/feed", true));
  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::ListViewRSS);
  EXPECT_EQ(tab.Caption, "Le Monde");
  EXPECT_EQ(tab.Desc.RobotName, kRobot);
  EXPECT_NE(tab.Desc.Owner, nullptr);
  EXPECT_EQ(tab.Content.Rows, GetParam().rows);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].RequestLine(), "GET /feed HTTP/1.1");
  EXPECT_TRUE(run.log.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, SearchEngineFeedTest,
    ::testing::Values(
        TFeedCase{"Rss091",
                  "<?xml version=\"1.0\"?>\n<rss version=\"0.91\">\n<channel>\n<title>T</title>\n"
                  "<item>\n<title>One</title>\n<link>http://a/1</link>\n<description>First</description>\n</item>\n"
                  "<item>\n<title>Two</title>\n<link>http://a/2</link>\n</item>\n</channel>\n</rss>\n",
                  {{"One", {"http://a/1", "First"}, {}}, {"Two", {"http://a/2", ""}, {}}}},
        TFeedCase{"Rss20",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rss version=\"2.0\">\r\n  <channel>\r\n"
                  "    <title>T</title>\r\n    <item><title>\xc3\xa9t\xc3\xa9</title><link>http://b/1</link>"
                  "<description>&lt;b&gt;x&lt;/b&gt;</description><pubDate>Mon, 01 Jan 2024</pubDate></item>\r\n"
                  "  </channel>\r\n</rss>\r\n",
                  {{"\xc3\xa9t\xc3\xa9", {"http://b/1", "<b>x</b>"}, {}}}},
        TFeedCase{"Rss10",
                  "<?xml version=\"1.0\"?>\n<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
                  "xmlns=\"http://purl.org/rss/1.0/\">\n<channel rdf:about=\"http://c/\"><title>C</title></channel>\n"
                  "<item rdf:about=\"http://c/1\"><title>One</title><link>http://c/1</link></item>\n</rdf:RDF>\n",
                  {}},
        TFeedCase{"Latin1",
                  "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<rss version=\"2.0\"><channel><item>"
                  "<title>Caf\xe9</title><link>http://d/\xe9</link><description>cr\xe8me</description></item>"
                  "</channel></rss>\n",
                  {{"Caf\xc3\xa9", {"http://d/\xc3\xa9", "cr\xc3\xa8me"}, {}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchEngineWorkerTest, DoubleClickOnARowOfTheEnginesTabOpensItsLink) {
  Robot({{"SeeOnScreen", "1"}});
  server.Answer("/feed", TScriptedAnswer::Ok("<rss><channel><item><link>http://a/1</link></item>"
                                             "<item><link>http://a/2</link></item><item/></channel></rss>"));
  Run(Engine("feed", "/feed", true));
  const base::TTabId tab = OnlyTab().Id;
  EXPECT_TRUE(run.tabs.ActivateRow(tab, 1));
  EXPECT_EQ(run.shellOpen.urls, (std::vector<std::string>{"http://a/2"}));
  EXPECT_FALSE(run.tabs.ActivateRow(tab, 3));
  run.tabs.ActivateRow(tab, 2);  // a row without a link opens nothing
  EXPECT_EQ(run.shellOpen.urls.size(), 1u);
}

TEST_F(SearchEngineWorkerTest, AllFeedsInOneTabGoToTheRunsSharedTab) {
  Robot({{"SeeOnScreen", "1"}, {"AllRSSInOneWindow", "1"}});
  const int panel = 0;
  const base::TTabId shared = run.tabs.OpenResultTab(base::TTabTemplate::ListViewRSS, &panel, "news", "news");
  server.Answer("/a", TScriptedAnswer::Ok("<rss><channel><item><title>a1</title></item></channel></rss>"));
  server.Answer("/b", TScriptedAnswer::Ok("<rss><channel><item><title>b1</title></item>"
                                          "<item><title>b2</title></item></channel></rss>"));
  for (const char* path : {"/a", "/b"}) {
    TSearchEngineJob job = Engine(std::string("engine") + path[1], path, true);
    job.allRssInOneTab = true;
    job.sharedRssTab = shared;
    Run(std::move(job));
  }
  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Desc.Owner, &panel);
  std::vector<std::string> titles;
  for (const base::TListRow& row : tab.Content.Rows) titles.push_back(row.Caption);
  EXPECT_EQ(titles, (std::vector<std::string>{"a1", "b1", "b2"}));
  EXPECT_FALSE(run.tabs.ActivateRow(shared, 0));  // no action in the shared tab
  EXPECT_TRUE(run.shellOpen.urls.empty());
}

TEST_F(SearchEngineWorkerTest, FeedThatCannotBeReadEndsTheWorkerWithoutRowsOrMessage) {
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  for (const auto& answer : {TScriptedAnswer::Ok("<rss><channel><item><title>cut"),
                             TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", "<html><p>gone</html>"),
                             TScriptedAnswer::Ok("<rss>\n</rss>")}) {
    server.Answer("/feed", answer);
    Run(Engine("feed", "/feed", true));
  }
  ASSERT_EQ(run.tabs.Tabs().size(), 3u);
  for (const auto& tab : run.tabs.Tabs()) EXPECT_TRUE(tab->Content.Rows.empty());
  EXPECT_TRUE(run.log.lines.empty());  // the script is not reached
  EXPECT_TRUE(run.dialogs.messages.empty());
}

TEST_F(SearchEngineWorkerTest, FeedShorterThanItsLengthIsLoggedAndGivesNoRows) {
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  // A whole feed up to where the connection ends, 50 bytes short of what was announced.
  const std::string feed = "<rss><channel><item><title>a1</title></item></channel></rss>";
  server.Answer("/feed", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                              std::to_string(feed.size() + 50) + "\r\n\r\n" + feed));
  Run(Engine("feed", "/feed", true));
  ASSERT_EQ(run.tabs.Tabs().size(), 1u);
  EXPECT_TRUE(run.tabs.Tabs()[0]->Content.Rows.empty());
  EXPECT_EQ(run.log.lines,
            std::vector<std::string>{"Document shorter than its Content-Length, not kept: " + server.Url("/feed")});
}

struct TExplorerCase {
  const char* name;
  const char* browser;
  const char* postQuery;
  const char* requestLine;
  const char* body;
};
void PrintTo(const TExplorerCase& c, std::ostream* os) { *os << c.name; }

class SearchEngineExplorerTest : public SearchEngineWorkerTest, public ::testing::WithParamInterface<TExplorerCase> {};

TEST_P(SearchEngineExplorerTest, AnswerPageIsLoadedInAnExplorerTab) {
  const TExplorerCase& c = GetParam();
  Robot({{"SeeOnScreen", "1"}});
  Browser(c.browser);
  std::vector<std::tuple<base::TTabId, int, bool>> commands;
  const base::TConnection listening =
      run.tabs.CommandStateChanged.Connect([&](base::TTabId id, int command, bool enabled) {
        commands.emplace_back(id, command, enabled);
      });
  server.AnswerOthers(TScriptedAnswer::Ok("<html>answer</html>"));
  Run(Engine("Moteur.eng", "/search?q=$_", false, c.postQuery));

  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::WebBrowser);
  EXPECT_EQ(tab.Caption, "Moteur");
  EXPECT_EQ(tab.Content.Url, server.Url("/search?q=fish%20&%20chips"));
  EXPECT_EQ(tab.Content.PostData, c.body);
  EXPECT_EQ(tab.Content.PostHeaders,
            *c.body == 0 ? "" : "Content-type: application/x-www-form-urlencoded; charset=UTF-8\x0a\x0d");
  ASSERT_TRUE(RunUntil([&] { return run.tabs.Browser(tab.Id)->DocumentSource() == "<html>answer</html>"; }));
  ASSERT_EQ(server.Requests().size(), 1u);
  const test::TRecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.RequestLine(), c.requestLine);
  EXPECT_EQ(request.body, c.body);
  if (*c.body != 0) {
    EXPECT_EQ(request.Header("Content-type"), "application/x-www-form-urlencoded; charset=UTF-8");
  }
  // The browser's back and forward state reaches the quick search bar's handler.
  EXPECT_EQ(commands, (std::vector<std::tuple<base::TTabId, int, bool>>{
                          {tab.Id, base::kCommandBack, false}, {tab.Id, base::kCommandForward, false}}));
}

INSTANTIATE_TEST_SUITE_P(
    Queries, SearchEngineExplorerTest,
    ::testing::Values(
        TExplorerCase{"Get", "ie", "", "GET /search?q=fish%20&%20chips HTTP/1.1", ""},
        TExplorerCase{"BlankPostQueryIsAGet", "IE", "  \t ", "GET /search?q=fish%20&%20chips HTTP/1.1", ""},
        TExplorerCase{"Post", "Firefox", "q=$_&t=$_", "POST /search?q=fish%20&%20chips HTTP/1.1",
                      "q=fish%20&%20chips&t=fish%20&%20chips"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchEngineWorkerTest, MozillaPostGoesThroughThePostProxyPage) {
  Robot({{"SeeOnScreen", "1"}});  // no browser key: "firefox"
  server.AnswerOthers(TScriptedAnswer::Ok("<html>posted</html>"));
  Run(Engine("m", "/search\\x", false, "q=$_&path=a\\b"));

  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::MozillaBrowser);
  EXPECT_EQ(tab.Caption, "m");
  EXPECT_NE(tab.Desc.Owner, nullptr);
  EXPECT_EQ(tab.Content.Url, platform::FileUrl(home.Path() / "postproxy.html") + "#" + server.Url("/search/x") +
                                 "%00q=fish%20&%20chips&path=a/b");
  EXPECT_EQ(tab.Content.PostData, "");
  ASSERT_TRUE(RunUntil([&] { return run.tabs.Browser(tab.Id)->DocumentSource() != ""; }));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].RequestLine(), "POST /search/x HTTP/1.1");
  EXPECT_EQ(server.Requests()[0].body, "q=fish+&+chips=&path=a%2Fb");
}

TEST_F(SearchEngineWorkerTest, MozillaGetOpensTheEngineUrl) {
  Robot({{"SeeOnScreen", "1"}});
  Browser("firefox");
  server.AnswerOthers(TScriptedAnswer::Ok("<html>found</html>"));
  Run(Engine("m", "/s?q=$_", false, " "));
  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::MozillaBrowser);
  EXPECT_EQ(tab.Content.Url, server.Url("/s?q=fish%20&%20chips"));
  ASSERT_TRUE(RunUntil([&] { return !server.Requests().empty(); }));
  EXPECT_EQ(server.Requests()[0].RequestLine(), "GET /s?q=fish%20&%20chips HTTP/1.1");
}

TEST_F(SearchEngineWorkerTest, MissingMozillaControlEndsTheWorkerWithoutTabOrScript) {
  TStalledBrowserFactory factory(false);
  run.tabs.SetBrowserFactory(&factory);
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  Run(Engine("m", "/s", false));
  EXPECT_TRUE(run.tabs.Tabs().empty());
  EXPECT_TRUE(run.log.lines.empty());
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(SearchEngineWorkerTest, ScriptGetsAPlainGetAnswerWhenNothingIsShown) {
  Robot({{"SendToScript", "1"},
         {"ScriptName", Script("begin\r\n  ShowMessage(extractedItems[0]);\r\n  WriteLn('lines ', "
                               "extractedItems.Count);\r\n  Result := url + '|' + extractedItems[1];\r\nend.\r\n")}});
  server.Answer("/search?q=fish%20&%20chips", TScriptedAnswer::Ok("line one\r\nline two\nline three"));
  Run(Engine("post", "/search?q=$_", false, "q=$_"));
  EXPECT_TRUE(run.tabs.Tabs().empty());
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].RequestLine(), "GET /search?q=fish%20&%20chips HTTP/1.1");
  EXPECT_EQ(server.Requests()[0].body, "");
  EXPECT_EQ(run.log.lines,
            (std::vector<std::string>{"lines 3", server.Url("/search?q=fish%20&%20chips") + "|line two"}));
  ASSERT_EQ(run.dialogs.messages.size(), 1u);
  EXPECT_EQ(run.dialogs.messages[0].text, "line one");
}

TEST_F(SearchEngineWorkerTest, ScriptGetsTheTextOfTheFeedShown) {
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  server.Answer("/feed", TScriptedAnswer::Ok("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                             "<rss version=\"0.91\"><channel><item><title>\xe9</title></item>"
                                             "</channel></rss>\r\n"));
  Run(Engine("feed", "/feed", true));
  EXPECT_EQ(OnlyTab().Content.Rows.size(), 1u);
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{
                               server.Url("/feed") + "|<?xml version=\"1.0\" encoding=\"UTF-8\"?>|<rss version=\"0.91\">"
                                                     "<channel><item><title>\xc3\xa9</title></item></channel></rss>"}));
}

class SearchEngineBrowserScriptTest : public SearchEngineWorkerTest,
                                      public ::testing::WithParamInterface<const char*> {};

TEST_P(SearchEngineBrowserScriptTest, ScriptGetsThePageSourceOnceTheDownloadCompleted) {
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  Browser(GetParam());
  // The answer comes late: a script run before the download completed would get an empty page.
  server.AnswerOthers(TScriptedAnswer().Pause(300ms).Send("HTTP/1.1 200 OK\r\n\r\n<html>\r\nposted\r\n</html>"));
  Run(Engine("post", "/search", false, "q=$_"));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Method(), "POST");
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{server.Url("/search") + "|<html>|posted|</html>"}));
}

INSTANTIATE_TEST_SUITE_P(Browsers, SearchEngineBrowserScriptTest, ::testing::Values("ie", "firefox"));

TEST_F(SearchEngineWorkerTest, ScriptGetsWhatTheBrowserHoldsWhenItsDownloadNeverCompletes) {
  TStalledBrowserFactory factory(true);
  run.tabs.SetBrowserFactory(&factory);
  Robot({{"SeeOnScreen", "1"}, {"SendToScript", "1"}, {"ScriptName", Script(kJoiningScript)}});
  Run(Engine("e", "/s", false), 50ms);
  EXPECT_EQ(run.log.lines, (std::vector<std::string>{server.Url("/s") + "|<p>partial"}));
}

TEST_F(SearchEngineWorkerTest, NeitherShownNorSentDoesNothing) {
  Robot({{"ScriptName", Script(kJoiningScript)}});
  Run(Engine("feed", "/feed", true));
  Run(Engine("page", "/page", false, "q=$_"));
  EXPECT_TRUE(run.tabs.Tabs().empty());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(run.log.lines.empty());
}

}  // namespace
}  // namespace varnelo::search
