// The WebEngine browser control against loopback servers and file pages.
#include "gui/base/web_browser.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "network/host_guard.h"
#include "qt_wait.h"
#include "results/post_proxy.h"
#include "support/loopback_server.h"
#include "support/recording_ports.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::gui {
namespace {

using test::TLoopbackServer;
using test::TScriptedAnswer;
using test::WaitUntil;

constexpr std::string_view kPage = "<html><head><title>Réponse</title></head><body><p>trouvé</p></body></html>";
constexpr std::string_view kHtml = "Content-Type: text/html; charset=UTF-8\r\n";

// A browser on a profile of its own, with what it raised.
class WebBrowserTest : public ::testing::Test {
protected:
  WebBrowserTest()
      : profile_({scratch_.Path() / "cache", scratch_.Path() / "data"}, dialogs_),
        browser_(std::make_unique<TWebBrowser>(profile_)) {
    Listen(*browser_);
  }

  void Listen(TWebBrowser& browser) {
    connections_ += browser.LoadStarted.Connect([this] { ++started_; });
    connections_ += browser.LoadFinished.Connect([this](bool ok) {
      finished_.push_back(ok);
      sources_.push_back(browser_ ? browser_->DocumentSource() : std::string());
    });
    connections_ += browser.CommandStateChanged.Connect([this](int command, bool enabled) {
      commands_.emplace_back(command, enabled);
      state_[command] = enabled;
    });
    connections_ += browser.TitleChanged.Connect([this](const std::string& title) { titles_.push_back(title); });
  }

  // Waits for one more LoadFinished than `before`.
  bool WaitFinished(size_t before) {
    return WaitUntil([&] { return finished_.size() > before; });
  }

  bool Load(const std::string& url) {
    const size_t before = finished_.size();
    browser_->Navigate(url);
    return WaitFinished(before);
  }

  std::vector<test::TRecordedRequest> RequestsOf(const TLoopbackServer& server, const std::string& method) {
    std::vector<test::TRecordedRequest> found;
    for (const auto& request : server.Requests()) {
      if (request.Method() == method) found.push_back(request);
    }
    return found;
  }

  test::TTempDir scratch_;
  test::TRecordingDialogs dialogs_;
  TWebProfile profile_;
  std::unique_ptr<TWebBrowser> browser_;
  base::TConnections connections_;
  int started_ = 0;
  std::vector<bool> finished_;
  std::vector<std::string> sources_;
  std::vector<std::pair<int, bool>> commands_;
  std::map<int, bool> state_;
  std::vector<std::string> titles_;
};

TEST_F(WebBrowserTest, PostSendsTheBodyAndEveryHeaderLineAsGiven) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok(kPage, kHtml));
  // The header text of a query ends LF CR; a body byte above 127 goes as that one byte.
  const std::string body = "q=caf\xE9+cr%C3%A8me&n=2";
  const std::string headers =
      "Content-type: application/x-www-form-urlencoded; charset=UTF-8\n\rX-Varnelo-Probe: un  deux\r\n";
  browser_->NavigateWithPost(server.Url("/search?s=1"), body, headers);
  ASSERT_TRUE(WaitFinished(0));
  EXPECT_TRUE(finished_.back());

  const auto posts = RequestsOf(server, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Target(), "/search?s=1");
  EXPECT_EQ(posts[0].body, body);
  const std::vector<std::string> lines = posts[0].Lines();
  for (const std::string line :
       {"Content-type: application/x-www-form-urlencoded; charset=UTF-8", "X-Varnelo-Probe: un  deux"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << posts[0].head;
  }
  EXPECT_EQ(sources_.back(), kPage);
}

TEST_F(WebBrowserTest, PostProxyPageSubmitsTheBodyToItsTarget) {
  const test::TTempHome home;
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok(kPage, kHtml));
  const std::string body = "q=caf%C3%A9+noir&lang=fr";
  const std::string url = results::PostProxyUrl(home.Path(), server.Url("/post"), body);
  browser_ = std::make_unique<TWebBrowser>(profile_, base::TBrowserKind::Mozilla);
  Listen(*browser_);
  browser_->Navigate(url);
  ASSERT_TRUE(WaitUntil([&] { return !RequestsOf(server, "POST").empty(); }));

  const auto posts = RequestsOf(server, "POST");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].Target(), "/post");
  EXPECT_EQ(posts[0].body, results::PostProxyRequest(url)->Body);
  EXPECT_EQ(posts[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  ASSERT_TRUE(WaitUntil([&] { return !sources_.empty() && sources_.back() == kPage; }));
}

TEST_F(WebBrowserTest, HistoryMovesAreToldWhenTheyChange) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok(kPage, kHtml));
  ASSERT_TRUE(Load(server.Url("/a")));
  EXPECT_FALSE(state_[base::kCommandBack]);
  ASSERT_TRUE(Load(server.Url("/b")));
  EXPECT_TRUE(state_[base::kCommandBack]);
  EXPECT_FALSE(state_[base::kCommandForward]);

  // Each move is told once the page it goes to has come.
  const auto at = [&](const std::string& path, bool back, bool forward) {
    return WaitUntil([&] {
      return browser_->LocationUrl() == server.Url(path) && state_[base::kCommandBack] == back &&
             state_[base::kCommandForward] == forward;
    });
  };
  browser_->GoBack();
  EXPECT_TRUE(at("/a", false, true));
  browser_->GoForward();
  EXPECT_TRUE(at("/b", true, false));
  // Only changes are told: never the same state twice in a row for one command.
  std::map<int, bool> last;
  for (const auto& [command, enabled] : commands_) {
    if (last.contains(command)) {
      EXPECT_NE(last[command], enabled) << command;
    }
    last[command] = enabled;
  }
}

TEST_F(WebBrowserTest, SourceTitleAndAddressAreThereWhenTheLoadEnds) {
  TLoopbackServer server;
  server.Answer("/page", TScriptedAnswer::Ok(kPage, kHtml));
  ASSERT_TRUE(Load(server.Url("/page")));
  EXPECT_EQ(finished_, std::vector<bool>{true});
  EXPECT_EQ(sources_.back(), kPage);
  EXPECT_EQ(browser_->DocumentSource(), kPage);
  EXPECT_EQ(browser_->LocationUrl(), server.Url("/page"));
  EXPECT_TRUE(WaitUntil([&] { return browser_->Title() == "Réponse"; }));
  EXPECT_NE(std::find(titles_.begin(), titles_.end(), "Réponse"), titles_.end());
  EXPECT_GE(started_, 1);
}

TEST_F(WebBrowserTest, RefusedConnectionStillEndsTheLoad) {
  std::string url;
  {
    const TLoopbackServer gone;
    url = gone.Url("/nothing");
  }
  ASSERT_TRUE(Load(url));
  EXPECT_FALSE(finished_.back());
}

TEST_F(WebBrowserTest, UnderTheLoopbackGuardPagesReachNoOtherHost) {
  test::TScopedEnvironment environment;
  environment.Set("VARNELO_LOOPBACK_ONLY", "1");
  TLoopbackServer server;
  // 0.0.0.0 is not a loopback name to the guard, yet a request that slipped by would still stay on
  // this machine.
  server.Answer("/page", TScriptedAnswer::Ok("<html><body><img src=\"http://0.0.0.0:9/pixel.png\"></body></html>",
                                             kHtml));
  const std::uint64_t refusedBefore = network::RefusedHostCount();
  ASSERT_TRUE(Load(server.Url("/page")));
  EXPECT_TRUE(finished_.back());
  EXPECT_TRUE(WaitUntil([&] { return network::RefusedHostCount() > refusedBefore; }));

  const std::uint64_t refusedAfterImage = network::RefusedHostCount();
  ASSERT_TRUE(Load("http://0.0.0.0:9/"));
  EXPECT_FALSE(finished_.back());
  EXPECT_GT(network::RefusedHostCount(), refusedAfterImage);
}

TEST_F(WebBrowserTest, StoppedLoadEndsAsFailed) {
  TLoopbackServer server;
  std::atomic<bool> release = false;
  server.AnswerOthers(TScriptedAnswer()
                          .WaitUntil([&] { return release.load(); }, std::chrono::seconds(30))
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
  browser_->Navigate(server.Url("/slow"));
  ASSERT_TRUE(WaitUntil([&] { return started_ > 0 && server.Connections() > 0; }));
  browser_->Stop();
  ASSERT_TRUE(WaitFinished(0));
  EXPECT_FALSE(finished_.back());
  release = true;
}

TEST_F(WebBrowserTest, ListenerMayDestroyTheBrowser) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok(kPage, kHtml));
  struct TCase {
    const char* name;
    bool onFinished;
  };
  for (const TCase& c : {TCase{"address", false}, TCase{"finished", true}}) {
    SCOPED_TRACE(c.name);
    browser_ = std::make_unique<TWebBrowser>(profile_);
    bool destroyed = false;
    base::TConnections local;
    const auto destroy = [&] {
      browser_.reset();
      destroyed = true;
    };
    if (c.onFinished) {
      local += browser_->LoadFinished.Connect([&](bool) { destroy(); });
    } else {
      local += browser_->AddressChanged.Connect([&](const std::string&) { destroy(); });
    }
    local += browser_->CommandStateChanged.Connect([&](int, bool) { ADD_FAILURE() << "raised after its end"; });
    browser_->Navigate(server.Url("/x"));
    ASSERT_TRUE(WaitUntil([&] { return destroyed; }));
    // The loop goes on without the browser.
    WaitUntil([] { return false; }, std::chrono::milliseconds(300));
  }
}

TEST_F(WebBrowserTest, HomeIsTheBlankPage) {
  browser_->GoHome();
  ASSERT_TRUE(WaitFinished(0));
  EXPECT_EQ(browser_->LocationUrl(), "about:blank");
}

TEST_F(WebBrowserTest, DownloadGoesWhereTheUserChoseOrNowhere) {
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 200 OK",
                                            "Content-Type: application/octet-stream\r\n"
                                            "Content-Disposition: attachment; filename=\"data.bin\"\r\n",
                                            "0123456789"));
  const std::filesystem::path target = scratch_.Path() / "chosen" / "saved.bin";
  std::filesystem::create_directories(target.parent_path());
  dialogs_.choices.push_back(target);
  browser_->Navigate(server.Url("/file"));
  ASSERT_TRUE(WaitUntil([&] {
    return std::filesystem::exists(target) && test::ReadFile(target) == "0123456789";
  }));
  ASSERT_EQ(dialogs_.prompts.size(), 1u);
  EXPECT_EQ(dialogs_.prompts[0].caption, "Enregistrer sous");

  // No choice: the chooser was cancelled, so nothing is saved anywhere.
  browser_->Navigate(server.Url("/again"));
  ASSERT_TRUE(WaitUntil([&] { return dialogs_.prompts.size() == 2; }));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(target.parent_path()), {}), 1);
}

}  // namespace
}  // namespace varnelo::gui
