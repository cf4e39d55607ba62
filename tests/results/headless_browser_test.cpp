#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/main_queue.h"
#include "base/signal.h"
#include "network/fetch_log.h"
#include "platform/file_url.h"
#include "results/headless_browser.h"
#include "results/post_proxy.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::results {
namespace {

using namespace std::chrono_literals;
using test::TScriptedAnswer;

constexpr std::string_view kFormHeaders = "Content-type: application/x-www-form-urlencoded; charset=UTF-8\n\r";

class HeadlessBrowserTest : public ::testing::Test {
protected:
  HeadlessBrowserTest() { Listen(); }

  void Listen() {
    listening.Clear();
    listening += browser->LoadFinished.Connect([this](bool ok) {
      ++completed;
      finished.push_back(ok);
    });
    listening += browser->CommandStateChanged.Connect(
        [this](int command, bool enabled) { commands.emplace_back(command, enabled); });
  }

  // Runs the main queue until `done` holds, 10 s at most; whether it holds.
  bool RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    mainQueue.RunUntil([&] { return done() || std::chrono::steady_clock::now() > deadline; });
    return done();
  }
  bool RunUntilCompleted(int count) {
    return RunUntil([&] { return completed >= count; });
  }

  base::TMainQueue mainQueue;
  test::TLoopbackServer server;
  std::unique_ptr<THeadlessBrowser> browser = std::make_unique<THeadlessBrowser>(mainQueue);
  int completed = 0;
  std::vector<bool> finished;
  std::vector<std::pair<int, bool>> commands;
  base::TConnections listening;
};

using TCommands = std::vector<std::pair<int, bool>>;

TEST_F(HeadlessBrowserTest, LoadsAPageOnItsOwnThreadAndReportsTheEndOnTheMainThread) {
  server.Answer("/page", TScriptedAnswer::Ok("<html>answer</html>\r\nline 2"));
  browser->Navigate(server.Url("/page"));
  EXPECT_EQ(browser->DocumentSource(), "");  // nothing before the main queue has run the end
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "<html>answer</html>\r\nline 2");
  EXPECT_EQ(browser->LocationUrl(), server.Url("/page"));
  EXPECT_EQ(commands, (TCommands{{base::kCommandBack, false}, {base::kCommandForward, false}}));
  EXPECT_EQ(finished, std::vector<bool>{true});
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].RequestLine(), "GET /page HTTP/1.1");
}

// A page given up (past the held cap, shorter than its length) is an empty failed load whose reason
// reaches the fetch log once; a page that loads, or a redirect to one, logs nothing.
struct TGivenUpCase {
  const char* name;
  std::string answer;
  std::string line;  // "@" stands for the page's URL; empty: nothing logged
};

void PrintTo(const TGivenUpCase& c, std::ostream* out) { *out << c.name; }

class HeadlessBrowserFaultTest : public HeadlessBrowserTest, public ::testing::WithParamInterface<TGivenUpCase> {};

TEST_P(HeadlessBrowserFaultTest, LogsWhyAPageWasGivenUp) {
  std::vector<std::string> lines;
  std::mutex linesLock;
  const network::TScopedFetchLog log([&](std::string_view line) {
    const std::lock_guard guard(linesLock);
    lines.emplace_back(line);
  });
  server.Answer("/page", TScriptedAnswer::Raw(GetParam().answer));
  server.Answer("/next", TScriptedAnswer::Raw(GetParam().answer));
  server.Answer("/moved", TScriptedAnswer::Redirect(302, server.Url("/next")));
  browser->Navigate(server.Url("/page"));
  ASSERT_TRUE(RunUntilCompleted(1));
  browser->Navigate(server.Url("/moved"));
  ASSERT_TRUE(RunUntilCompleted(2));

  const bool givenUp = !GetParam().line.empty();
  EXPECT_EQ(finished, (std::vector<bool>{!givenUp, !givenUp}));
  const std::lock_guard guard(linesLock);
  if (!givenUp) {
    EXPECT_TRUE(lines.empty());
    return;
  }
  EXPECT_EQ(browser->DocumentSource(), "");
  std::vector<std::string> expected;
  for (const char* path : {"/page", "/next"}) {
    std::string line = GetParam().line;
    line.replace(line.find('@'), 1, server.Url(path));
    expected.push_back(line);
  }
  EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HeadlessBrowserFaultTest,
    ::testing::Values(
        TGivenUpCase{"PastTheHeldCap", "HTTP/1.1 200 OK\r\nContent-Length: 300000000\r\n\r\nabc",
                     "Document larger than 268435456 bytes, not kept: @"},
        TGivenUpCase{"Short", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
                     "Document shorter than its Content-Length, not kept: @"},
        TGivenUpCase{"Whole", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HeadlessBrowserTest, LoadStartsAtOnceAndFinishesAfterTheOtherSignals) {
  server.Answer("/page", TScriptedAnswer::Ok("<title>T</title>"));
  std::vector<std::string> events;
  base::TConnections order;
  order += browser->LoadStarted.Connect([&] { events.push_back("started"); });
  order += browser->AddressChanged.Connect([&](const std::string&) { events.push_back("address"); });
  order += browser->TitleChanged.Connect([&](const std::string&) { events.push_back("title"); });
  order += browser->CommandStateChanged.Connect([&](int, bool) { events.push_back("command"); });
  order += browser->LoadFinished.Connect([&](bool) { events.push_back("finished"); });
  browser->Navigate(server.Url("/page"));
  EXPECT_EQ(events, std::vector<std::string>{"started"});
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(events, (std::vector<std::string>{"started", "address", "title", "command", "command", "finished"}));
}

struct TTitleCase {
  const char* page;
  const char* title;
};

TEST_F(HeadlessBrowserTest, TitleIsTheTextOfTheFirstTitleElement) {
  const std::vector<TTitleCase> cases = {
      {"<html><head><title>Le monde</title></head></html>", "Le monde"},
      {"<HEAD><TITLE lang=fr>\r\n  A/B:\t C?  \n</TITLE>", "A/B: C?"},
      {"<titles>no</titles><title>second</title><title>third</title>", "second"},
      {"<title>never closed", "never closed"},
      {"<p>no title</p>", ""},
      {"", ""},
  };
  for (size_t i = 0; i < cases.size(); ++i) server.Answer("/" + std::to_string(i), TScriptedAnswer::Ok(cases[i].page));
  std::vector<std::string> titles;
  const base::TConnection listening =
      browser->TitleChanged.Connect([&](const std::string& title) { titles.push_back(title); });
  std::string previous;
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].page);
    titles.clear();
    browser->Navigate(server.Url("/" + std::to_string(i)));
    ASSERT_TRUE(RunUntilCompleted(static_cast<int>(i) + 1));
    EXPECT_EQ(browser->Title(), cases[i].title);
    // Raised only when the title is another one.
    EXPECT_EQ(titles, previous == cases[i].title ? std::vector<std::string>{}
                                                 : std::vector<std::string>{cases[i].title});
    previous = cases[i].title;
  }
}

TEST_F(HeadlessBrowserTest, AddressChangesOnlyWhenAnotherAddressIsShown) {
  server.Answer("/a", TScriptedAnswer::Ok("a"));
  server.Answer("/moved", TScriptedAnswer::Redirect(302, server.Url("/a")));
  std::vector<std::string> addresses;
  const base::TConnection listening =
      browser->AddressChanged.Connect([&](const std::string& url) { addresses.push_back(url); });
  browser->Navigate(server.Url("/a"));
  ASSERT_TRUE(RunUntilCompleted(1));
  browser->Navigate(server.Url("/a"));
  ASSERT_TRUE(RunUntilCompleted(2));
  browser->Navigate(server.Url("/moved"));  // ends where it already is
  ASSERT_TRUE(RunUntilCompleted(3));
  EXPECT_EQ(addresses, std::vector<std::string>{server.Url("/a")});
  EXPECT_EQ(browser->LocationUrl(), server.Url("/a"));
}

TEST_F(HeadlessBrowserTest, StopEndsTheLoadAsFailedAndKeepsTheDocumentShown) {
  server.Answer("/a", TScriptedAnswer::Ok("first"));
  server.Answer("/slow", TScriptedAnswer().Pause(30s).Send("HTTP/1.1 200 OK\r\n\r\nslow"));
  server.Answer("/b", TScriptedAnswer::Ok("second"));
  browser->Stop();  // nothing loads: nothing to finish
  EXPECT_EQ(completed, 0);
  browser->Navigate(server.Url("/a"));
  ASSERT_TRUE(RunUntilCompleted(1));
  browser->Navigate(server.Url("/slow"));
  ASSERT_TRUE(RunUntil([&] { return server.Requests().size() == 2; }));
  browser->Stop();
  EXPECT_EQ(finished, (std::vector<bool>{true, false}));
  EXPECT_EQ(browser->DocumentSource(), "first");
  browser->Stop();  // stopped already
  EXPECT_EQ(completed, 2);

  // The stopped load does not hold up the next one, and reports nothing of its own.
  browser->Navigate(server.Url("/b"));
  ASSERT_TRUE(RunUntilCompleted(3));
  mainQueue.RunPending();
  EXPECT_EQ(finished, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(browser->DocumentSource(), "second");
}

TEST_F(HeadlessBrowserTest, HomeIsTheFirstPageShownAndAboutBlankBeforeAny) {
  browser->GoHome();
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->LocationUrl(), "about:blank");
  EXPECT_EQ(browser->DocumentSource(), "");
  EXPECT_EQ(finished, std::vector<bool>{true});
  EXPECT_TRUE(server.Requests().empty());

  server.Answer("/a", TScriptedAnswer::Ok("a"));
  server.Answer("/b", TScriptedAnswer::Ok("b"));
  browser->NavigateWithPost(server.Url("/a"), "q=1", "");
  ASSERT_TRUE(RunUntilCompleted(2));
  browser->Navigate(server.Url("/b"));
  ASSERT_TRUE(RunUntilCompleted(3));
  browser->GoHome();
  ASSERT_TRUE(RunUntilCompleted(4));
  EXPECT_EQ(browser->LocationUrl(), server.Url("/a"));
  ASSERT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(server.Requests()[2].RequestLine(), "GET /a HTTP/1.1");
  // Going home is one more step of the history.
  browser->GoBack();
  ASSERT_TRUE(RunUntilCompleted(5));
  EXPECT_EQ(browser->DocumentSource(), "b");
}

TEST_F(HeadlessBrowserTest, HistoryGoesBackAndForwardAndANewPageDropsWhatWasAhead) {
  for (const char* path : {"/a", "/b", "/c"}) server.Answer(path, TScriptedAnswer::Ok(path));
  browser->Navigate(server.Url("/a"));
  ASSERT_TRUE(RunUntilCompleted(1));
  browser->Navigate(server.Url("/b"));
  ASSERT_TRUE(RunUntilCompleted(2));
  commands.clear();

  browser->GoBack();
  ASSERT_TRUE(RunUntilCompleted(3));
  EXPECT_EQ(browser->DocumentSource(), "/a");
  EXPECT_EQ(commands, (TCommands{{base::kCommandBack, false}, {base::kCommandForward, true}}));
  browser->GoBack();  // nothing before the first page
  browser->GoForward();
  ASSERT_TRUE(RunUntilCompleted(4));
  EXPECT_EQ(browser->DocumentSource(), "/b");

  browser->GoBack();
  ASSERT_TRUE(RunUntilCompleted(5));
  commands.clear();
  browser->Navigate(server.Url("/c"));
  ASSERT_TRUE(RunUntilCompleted(6));
  EXPECT_EQ(commands, (TCommands{{base::kCommandBack, true}, {base::kCommandForward, false}}));
  browser->GoForward();  // "/b" is gone: nothing to load
  mainQueue.RunPending();
  EXPECT_EQ(completed, 6);
  EXPECT_EQ(server.Requests().size(), 6u);
  EXPECT_EQ(browser->DocumentSource(), "/c");
}

TEST_F(HeadlessBrowserTest, PostSendsTheBodyAndTheHeaderTextAsHeaderLines) {
  server.Answer("/search", TScriptedAnswer::Ok("results"));
  browser->NavigateWithPost(server.Url("/search"), "q=fish%20&%20chips", std::string(kFormHeaders));
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "results");
  ASSERT_EQ(server.Requests().size(), 1u);
  const test::TRecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.RequestLine(), "POST /search HTTP/1.1");
  EXPECT_EQ(request.Header("Content-type"), "application/x-www-form-urlencoded; charset=UTF-8");
  EXPECT_EQ(request.Header("Content-Length"), "18");
  EXPECT_EQ(request.body, "q=fish%20&%20chips");
  // The LF CR of the header text leaves no empty line inside the head.
  const std::vector<std::string> lines = request.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), ""), 1);
}

TEST_F(HeadlessBrowserTest, SeeOtherAfterAPostIsFollowedWithAGet) {
  server.Answer("/post", TScriptedAnswer::Redirect(303, server.Url("/result")));
  server.Answer("/result", TScriptedAnswer::Ok("done"));
  browser->NavigateWithPost(server.Url("/post"), "a=1", "");
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "done");
  EXPECT_EQ(browser->LocationUrl(), server.Url("/result"));
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].RequestLine(), "GET /result HTTP/1.1");
}

TEST_F(HeadlessBrowserTest, FileUrlIsReadFromDiskWithoutItsFragment) {
  test::TTempDir dir;
  const std::filesystem::path file = dir.Path() / "a b#1.html";
  test::WriteFile(file, "<p>stored</p>");
  browser->Navigate(platform::FileUrl(file) + "#found1");
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "<p>stored</p>");
}

TEST_F(HeadlessBrowserTest, FailedLoadsStillEndWithAnEmptyDocument) {
  std::string refused;
  {
    test::TLoopbackServer gone;
    refused = gone.Url("/x");
  }
  test::TTempDir dir;
  const std::vector<std::string> urls = {refused, "ftp://127.0.0.1/x", platform::FileUrl(dir.Path() / "missing")};
  for (const std::string& url : urls) {
    browser->Navigate(url);
    ASSERT_TRUE(RunUntilCompleted(completed + 1)) << url;
    EXPECT_EQ(browser->DocumentSource(), "") << url;
  }
  EXPECT_EQ(finished, (std::vector<bool>{false, false, false}));
}

TEST_F(HeadlessBrowserTest, PostProxyPageIsAnsweredByPostingItsBodyAsAForm) {
  test::TTempHome home;
  ASSERT_TRUE(std::filesystem::is_regular_file(home.Path() / kPostProxyFileName));
  server.Answer("/search", TScriptedAnswer::Ok("posted"));
  browser->Navigate(PostProxyUrl(home.Path(), server.Url("/search"), "q=fish%20&%20chips"));
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "posted");
  ASSERT_EQ(server.Requests().size(), 1u);
  const test::TRecordedRequest request = server.Requests()[0];
  EXPECT_EQ(request.RequestLine(), "POST /search HTTP/1.1");
  EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(request.body, "q=fish+&+chips=");
}

TEST_F(HeadlessBrowserTest, PostProxyPageThatIsMissingPostsNothing) {
  test::TTempDir dir;
  browser->Navigate(PostProxyUrl(dir.Path(), server.Url("/search"), "q=x"));
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "");
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HeadlessBrowserTest, NewerNavigationTakesThePlaceOfALoadUnderWay) {
  server.Answer("/slow", TScriptedAnswer().Pause(30s).Send("HTTP/1.1 200 OK\r\n\r\nslow"));
  server.Answer("/fast", TScriptedAnswer::Ok("fast"));
  browser->Navigate(server.Url("/slow"));
  ASSERT_TRUE(RunUntil([&] { return !server.Requests().empty(); }));
  browser->Navigate(server.Url("/fast"));
  ASSERT_TRUE(RunUntilCompleted(1));
  EXPECT_EQ(browser->DocumentSource(), "fast");
  browser.reset();  // does not wait for the slow answer
  mainQueue.RunPending();
  EXPECT_EQ(completed, 1);
}

TEST_F(HeadlessBrowserTest, BrowserDestroyedWhileLoadingIsNeverTouchedAgain) {
  server.Answer("/slow", TScriptedAnswer().Pause(30s).Send("HTTP/1.1 200 OK\r\n\r\nslow"));
  server.Answer("/fast", TScriptedAnswer::Ok("fast"));
  browser->Navigate(server.Url("/slow"));
  ASSERT_TRUE(RunUntil([&] { return !server.Requests().empty(); }));
  browser.reset();

  // Ended, with its report already queued but not yet run.
  browser = std::make_unique<THeadlessBrowser>(mainQueue);
  Listen();
  browser->Navigate(server.Url("/fast"));
  while (server.Requests().size() < 2) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(100ms);
  browser.reset();

  mainQueue.RunPending();
  EXPECT_EQ(completed, 0);
}

TEST_F(HeadlessBrowserTest, HandlerThatDestroysTheBrowserEndsTheEvents) {
  server.Answer("/page", TScriptedAnswer::Ok("x"));
  listening.Clear();
  listening += browser->LoadFinished.Connect([this](bool) { ++completed; });
  listening += browser->CommandStateChanged.Connect([this](int command, bool enabled) {
    commands.emplace_back(command, enabled);
    browser.reset();
  });
  THeadlessBrowser* raw = browser.get();
  raw->Navigate(server.Url("/page"));
  ASSERT_TRUE(RunUntil([&] { return browser == nullptr; }));
  EXPECT_EQ(commands, (TCommands{{base::kCommandBack, false}}));
  EXPECT_EQ(completed, 0);
}

TEST(PostProxyTest, UrlIsAFileUrlOfTheHomeWithTargetAndBodyAfterTheHash) {
  EXPECT_EQ(PostProxyUrl("/tmp/my home#1", "http://h/s?a=b\\c", "q=x\\y"),
            "file:///tmp/my%20home%231/postproxy.html#http://h/s?a=b/c%00q=x/y");
}

TEST(PostProxyTest, RequestIsWhatThePageSubmits) {
  EXPECT_EQ(PostProxyRequest("file:///tmp/my%20home/postproxy.html#http://h/s?a=1%00q=x/y"),
            (TPostProxyRequest{"http://h/s?a=1", "q=x%2Fy"}));
  EXPECT_EQ(PostProxyRequest("file:///h/postproxy.html#http://h/s"), (TPostProxyRequest{"http://h/s", ""}));
  for (const char* other : {"file:///h/other.html#http://h/%00q=1", "http://h/postproxy.html#http://h/%00q=1",
                            "file:///h/postproxy.html", "file:///h/postproxy.html#", "file:///h/postproxy.html#%00q=1"}) {
    EXPECT_EQ(PostProxyRequest(other), std::nullopt) << other;
  }
}

TEST(PostProxyTest, BodyIsDecodedPairByPairAndEncodedAgainAsAForm) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"q=fish%20&%20chips", "q=fish+&+chips="},
      {"a=1+2&b=%C3%A9t%c3%a9", "a=1+2&b=%C3%A9t%C3%A9"},
      {"a=%E9", "a=%25E9"},        // not UTF-8: sent as written
      {"a=%zz&b=%2", "a=%25zz&b=%252"},
      {"a=%ED%A0%80", "a=%25ED%25A0%2580"},  // a surrogate is no UTF-8 either
      {"=x&&b", "b="},             // a form leaves out what has no name
      {"k=a%0Ab%0D%0Ac", "k=a%0D%0Ab%0D%0Ac"},
      {"x=*-._~!'()", "x=*-._%7E%21%27%28%29"},
      {"a=b=c", "a=b%3Dc"},
      {"", ""},
  };
  for (const auto& [body, sent] : cases) EXPECT_EQ(ReencodeFormBody(body), sent) << body;
}

TEST(FileUrlTest, PathsRoundTripThroughEscapes) {
  const std::filesystem::path path = "/tmp/a b/\xc3\xa9#%?.html";
  EXPECT_EQ(platform::FileUrl(path), "file:///tmp/a%20b/%C3%A9%23%25%3F.html");
  EXPECT_EQ(platform::FileUrlPath(platform::FileUrl(path)), path);
  EXPECT_EQ(platform::FileUrlPath("FILE://localhost/x/y?q#f"), std::filesystem::path("/x/y"));
  EXPECT_EQ(platform::FileUrlPath("file:///x%2"), std::filesystem::path("/x%2"));
  EXPECT_EQ(platform::FileUrlPath("file://server/x"), std::nullopt);
  EXPECT_EQ(platform::FileUrlPath("file:x"), std::nullopt);
  EXPECT_EQ(platform::FileUrlPath("http://h/x"), std::nullopt);
}

}  // namespace
}  // namespace varnelo::results
