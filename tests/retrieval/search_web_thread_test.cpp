#include "retrieval/search_web_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "network/network_fixture.h"
#include "retrieval/keyword_search.h"
#include "support/loopback_server.h"
#include "support/robot_run.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using namespace std::chrono_literals;
using test::TScriptedAnswer;

TScriptedAnswer Html(std::string_view body) { return TScriptedAnswer::Ok(body); }

class SearchWebThreadTest : public network::NetworkTest {
protected:
  TWebSiteSettings Settings(std::vector<std::string> sites) {
    TWebSiteSettings settings;
    settings.RobotName = "finder";
    settings.SiteName = "Mysite";
    settings.Sites = std::move(sites);
    settings.AcceptedTypes = {"text/*"};
    settings.MaxSize = "10000M";
    settings.Keywords = "Needle";
    return settings;
  }

  // How many GET requests each path received.
  std::map<std::string, int> Gets() const {
    std::map<std::string, int> gets;
    for (const test::TRecordedRequest& request : server.Requests()) {
      if (request.Method() == "GET") ++gets[request.Target()];
    }
    return gets;
  }

  // A start page "/" linking to `count` pages whose GET answers `body` after `delay` (their HEAD
  // answers at once).
  void ServeSlowPages(int count, std::chrono::milliseconds delay, const std::string& body) {
    std::string start;
    for (int i = 1; i <= count; ++i) {
      const std::string path = "/p" + std::to_string(i) + ".html";
      start += "<a href=\"" + path.substr(1) + "\">x</a>";
      server.Answer(path, Html(body));
      server.AnswerMethod("GET", path,
                          TScriptedAnswer().Pause(delay).Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                                              "Content-Length: " +
                                                              std::to_string(body.size()) + "\r\n\r\n" + body));
    }
    server.Answer("/", Html(start));
  }

  test::TTempHome home;
  test::TLoopbackServer server;
  test::TRobotRun run{home.Path()};
};

TEST_F(SearchWebThreadTest, CrawlsTheSiteOnceAndListsEveryHit) {
  server.Answer("/site/start", TScriptedAnswer::Redirect(301, server.Url("/site/")));
  server.Answer("/site/", Html("<p>Welcome, the needle is here</p>"
                               "<a href=\"b.html\">b</a><a href=\"a.html\">a</a><a href=\"c.txt\">c</a>"
                               "<a href=\"b.html#top\">b again</a><a href=\"../out.html\">out</a>"
                               "<a href=\"http://example.invalid/x\">ext</a><img src=\"pic.png\">"
                               "<a href=\"gone.html\">gone</a>"));
  server.Answer("/site/a.html", Html("<p>nothing</p><a href=\"b.html\">b</a><a href=\"sub/d.html\">d</a>"));
  server.Answer("/site/b.html", Html("<p>one NEEDLE</p><p>two needle</p>"));
  server.Answer("/site/c.txt", TScriptedAnswer::Ok("x\r\nneedle line\r\n", "Content-Type: text/plain\r\n"));
  server.Answer("/site/sub/d.html", Html("<p>deep needle</p>"));
  server.Answer("/site/pic.png", TScriptedAnswer::Ok("PNG", "Content-Type: image/png\r\n"));
  server.Answer("/out.html", Html("<p>needle outside</p>"));

  run.RunToEnd(std::make_unique<TSearchWebThread>(run.ports, Settings({server.Url("/site/start")})));

  const std::map<std::string, int> expectedGets = {
      {"/site/", 1}, {"/site/a.html", 1}, {"/site/b.html", 1}, {"/site/c.txt", 1}, {"/site/sub/d.html", 1}};
  EXPECT_EQ(Gets(), expectedGets);

  ASSERT_EQ(run.tabs.Tabs().size(), 1u);
  const base::TTabSheet* sheet = run.tabs.Tabs()[0].get();
  EXPECT_EQ(sheet->Caption, "Web Site: Mysite");
  EXPECT_EQ(sheet->Content.Template, base::TTabTemplate::ListView);
  EXPECT_EQ(sheet->Desc.Owner, nullptr);
  EXPECT_EQ(sheet->Desc.RobotName, "finder");

  std::vector<base::TListRow> rows = sheet->Content.Rows;
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return std::tie(a.Caption, a.SubItems) < std::tie(b.Caption, b.SubItems);
  });
  // Each row opens the result page of its own URL, and no page without a hit got one.
  std::map<std::string, std::filesystem::path> resultFiles;
  for (base::TListRow& row : rows) {
    const auto [known, added] = resultFiles.emplace(row.Caption, row.ResultFile);
    EXPECT_EQ(known->second, row.ResultFile) << row.Caption;
    EXPECT_EQ(row.ResultFile.parent_path(), home.Path() / "result");
    row.ResultFile.clear();
  }
  std::set<std::filesystem::path> written;
  for (const auto& entry : std::filesystem::directory_iterator(home.Path() / "result")) written.insert(entry.path());
  std::set<std::filesystem::path> listed;
  for (const auto& [url, file] : resultFiles) listed.insert(file);
  EXPECT_EQ(written, listed);
  const std::vector<base::TListRow> expectedRows = {
      {server.Url("/site/"), {"Welcome, the needle is here"}, {}},
      {server.Url("/site/b.html"), {"one NEEDLE"}, {}},
      {server.Url("/site/b.html"), {"two needle"}, {}},
      {server.Url("/site/c.txt"), {"<b><A name=\"found1\">needle</A></b> line"}, {}},
      {server.Url("/site/sub/d.html"), {"deep needle"}, {}},
  };
  EXPECT_EQ(rows, expectedRows);

  EXPECT_EQ(test::ReadFile(resultFiles[server.Url("/site/b.html")]),
            "<p>one <b><a name=\"found1\">NEEDLE</A></b></p><p>two <b><a name=\"found2\">needle</A></b></p>\r\n");
  EXPECT_EQ(test::ReadFile(resultFiles[server.Url("/site/c.txt")]),
            "<html><head></head><body><code>\r\nx\r\n<b><A name=\"found1\">needle</A></b> line\r\n</code></body>\r\n");
  // A keyword search keeps no copy of the site.
  EXPECT_FALSE(std::filesystem::exists(home.Path() / "website" / "Mysite"));
}

TEST_F(SearchWebThreadTest, NeverFetchesMoreThanThreePagesAtOnce) {
  ServeSlowPages(9, 150ms, "<p>nothing</p>");
  run.RunToEnd(std::make_unique<TSearchWebThread>(run.ports, Settings({server.Url("/")})));

  EXPECT_EQ(Gets().size(), 10u);
  EXPECT_EQ(server.MaxInFlight("GET"), 3);
}

TEST_F(SearchWebThreadTest, UnreachableStartEndsTheCrawlWithoutRows) {
  std::string refused;
  {
    const test::TLoopbackServer gone;
    refused = gone.Url("/");
  }
  auto worker = std::make_unique<TSearchWebThread>(run.ports, Settings({refused}));
  run.RunToEnd(std::move(worker));
  ASSERT_EQ(run.tabs.Tabs().size(), 1u);
  EXPECT_TRUE(run.tabs.Tabs()[0]->Content.Rows.empty());
}

TEST_F(SearchWebThreadTest, TerminationStopsStartingPagesAndLetsRunningOnesFinish) {
  ServeSlowPages(30, 100ms, "<p>needle</p>");

  bool ended = false;
  auto worker = std::make_unique<TSearchWebThread>(run.ports, Settings({server.Url("/")}));
  worker->SetOnTerminate([&ended](base::TWorker&) { ended = true; });
  base::TWorker* master = base::TWorker::Start(std::move(worker));
  run.mainQueue.RunUntil([this] { return Gets().size() >= 4; });
  master->Terminate();
  run.mainQueue.RunUntil([&ended] { return ended; });

  const size_t fetched = Gets().size();
  EXPECT_LT(fetched, 31u);
  // Every page that was asked for was also searched to its end.
  size_t rows = 0;
  for (const auto& tab : run.tabs.Tabs()) rows += tab->Content.Rows.size();
  EXPECT_EQ(rows, fetched - 1);
}

}  // namespace
}  // namespace varnelo::retrieval
