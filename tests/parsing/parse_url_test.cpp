#include "parsing/parse_url.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/network_fixture.h"
#include "support/loopback_server.h"
#include "support/scripted_answer.h"

namespace varnelo::parsing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using test::TLoopbackServer;
using test::TScriptedAnswer;

TEST(SizeLimitBytesTest, ReadsTheUnitLetters) {
  const struct {
    const char* text;
    std::int64_t bytes;
  } kCases[] = {
      {"10000M", 10'000'000'000},
      {" 500k ", 500'000},
      {"12o", 12},
      {"2m", 2'000'000},
      {"4096", 4096},
      {"", 999'999'999},
      {"lots", 999'999'999},
      {"xk", 999'999'999},
      {"99999999999999999M", INT64_MAX},
  };
  for (const auto& c : kCases) EXPECT_EQ(SizeLimitBytes(c.text), c.bytes) << c.text;
}

TEST(WithTrailingSlashTest, TrimsTheRightAndAddsOneSlash) {
  EXPECT_EQ(WithTrailingSlash("http://h/other  "), "http://h/other/");
  EXPECT_EQ(WithTrailingSlash("http://h/d/"), "http://h/d/");
  EXPECT_EQ(WithTrailingSlash(""), "/");
}

TEST(TypeAcceptedTest, MatchesMajorIgnoringCaseAndMinorExactly) {
  const std::vector<std::string> textOnly{"text/*"};
  const std::vector<std::string> images{"image/png", "Application/PDF"};
  const std::vector<std::string> everything{"*/*"};
  EXPECT_TRUE(TypeAccepted(textOnly, "text/plain"));
  EXPECT_TRUE(TypeAccepted(textOnly, "TEXT/css"));
  EXPECT_FALSE(TypeAccepted(textOnly, "image/png"));
  EXPECT_TRUE(TypeAccepted(images, "IMAGE/png"));
  EXPECT_FALSE(TypeAccepted(images, "image/PNG"));
  EXPECT_TRUE(TypeAccepted(images, "application/PDF"));
  EXPECT_FALSE(TypeAccepted({"text/html"}, "text/html; charset=utf-8"));
  EXPECT_TRUE(TypeAccepted({"text/html"}, ""));
  EXPECT_TRUE(TypeAccepted(everything, "video/x-anything"));
  EXPECT_FALSE(TypeAccepted({}, "text/plain"));
}

TEST(LinkAcceptedTest, HtmlAlwaysPassesTheTypeAndTheLimitHolds) {
  const std::vector<std::string> textOnly{"text/*"};
  EXPECT_TRUE(LinkAccepted({"image/png"}, "text/html; charset=utf-8", 10, 10));
  EXPECT_FALSE(LinkAccepted(textOnly, "image/png", 10, 1));
  EXPECT_FALSE(LinkAccepted(textOnly, "text/plain", 500'000, 600'000));
  EXPECT_TRUE(LinkAccepted(textOnly, "text/plain", 500'000, 0));
}

TEST(InSiteTest, AdmitsThePagesInsideAStartDirectoryOfTheHost) {
  const std::vector<std::string> withSlash{"http://h/d/"};
  EXPECT_TRUE(InSite("h", "http://h/d/s/p.html", withSlash));
  EXPECT_FALSE(InSite("h", "http://h/o/p.html", withSlash));
  EXPECT_FALSE(InSite("g", "http://g/d/s/p.html", withSlash));
  const std::vector<std::string> withoutSlash{"http://h/d"};
  EXPECT_TRUE(InSite("h", "http://h/o/p.html", withoutSlash));
  EXPECT_TRUE(InSite("g", "http://g/x.html", {"http://h/d/", "http://g/"}));
  EXPECT_FALSE(InSite("h", "http://h/d/p.html", {}));
}

TEST(FoundListTest, KeepsOneEntryPerTextIgnoringCaseInCollationOrder) {
  TFoundList found;
  EXPECT_TRUE(found.Add("http://h/b.html"));
  EXPECT_TRUE(found.Add("http://h/A.html"));
  EXPECT_TRUE(found.Add("http://h/é.html"));
  EXPECT_TRUE(found.Add("http://h/e.html"));
  EXPECT_FALSE(found.Add("http://h/B.HTML"));
  EXPECT_FALSE(found.Add("http://h/É.html"));
  EXPECT_THAT(found.Items(),
              ElementsAre("http://h/A.html", "http://h/b.html", "http://h/e.html", "http://h/é.html"));
  EXPECT_EQ(found.TakeFirst(), "http://h/A.html");
  EXPECT_EQ(found.Count(), 3u);
}

TEST(UrlCacheTest, FindsIgnoringCaseAndTheFirstEntryWins) {
  TUrlCache cache;
  cache.Append({{"http://h/A.html", {"http://h/final.html", "text/html"}},
                {"http://h/a.HTML", {"http://h/other.html", "text/plain"}}});
  cache.Append({{"http://H/a.html", {"http://h/later.html", "text/plain"}}, {"http://h/b", {"http://h/c", ""}}});
  EXPECT_EQ(cache.Count(), 2u);
  ASSERT_NE(cache.Find("http://h/a.html"), nullptr);
  EXPECT_EQ(cache.Find("http://h/a.html")->FinalUrl, "http://h/final.html");
  EXPECT_EQ(cache.Find("HTTP://H/A.HTML")->FinalUrl, "http://h/final.html");
  EXPECT_EQ(cache.Find("http://h/nothing.html"), nullptr);
}

TEST(ParseUrlLoadingTest, JoinsLinesWithCrLfAndStopsAtNul) {
  const std::string page("<p>a\nb\rc\r\nd</p>");
  const std::vector<std::string> sites;
  TParseURL parser(nullptr, {"*/*"}, "10000M", true, page + std::string("\0<p>hidden", 10), true, nullptr,
                   nullptr, sites);
  EXPECT_EQ(THTMLParser::GetHTML(parser.Parser.Root()), "<p>a\r\nb\r\nc\r\nd</p>");
  ASSERT_GT(parser.Nodes.Count(), 1u);
  EXPECT_EQ(parser.Nodes.Items(0)->Name, "p");
}

// A site on loopback whose pages link to each other; every test extracts the links of pages of it.
class LinkExtractionTest : public network::NetworkTest {
protected:
  LinkExtractionTest() {
    server_.AnswerOthers(TScriptedAnswer::Ok("<html></html>"));
    sites_ = {server_.Url("/d/")};
  }

  std::unique_ptr<TParseURL> Extract(std::string_view page, const std::string& pageUrl, bool keepLinks = false) {
    auto parser = std::make_unique<TParseURL>(lock_, types_, maxSize_, true, page, keepLinks, &cache_, &found_,
                                              sites_);
    parser->ExtractLinks(pageUrl);
    return parser;
  }

  // The attribute items of the first element named `name`.
  static std::vector<std::string> AttributesOf(TParseURL& parser, std::string_view name) {
    for (TTagNode* node : parser.Nodes) {
      if (node->Name == name) return node->Attributes;
    }
    return {};
  }

  std::vector<std::string> Targets(std::string_view method = "HEAD") const {
    std::vector<std::string> targets;
    for (const test::TRecordedRequest& request : server_.Requests()) {
      if (request.Method() == method) targets.push_back(request.Target());
    }
    return targets;
  }

  TLoopbackServer server_;
  std::vector<std::string> sites_;
  std::vector<std::string> types_{"*/*"};
  std::string maxSize_ = "10000M";
  std::mutex* lock_ = nullptr;
  TUrlCache cache_;
  TFoundList found_;
};

TEST_F(LinkExtractionTest, ResolvesAgainstTheIndexOfADirectoryPage) {
  auto parser = Extract(R"(<a href="x.html">x</a>)", server_.Url("/d/"));
  EXPECT_THAT(Targets(), ElementsAre("/d/x.html"));
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/x.html")));
  EXPECT_THAT(AttributesOf(*parser, "a"), ElementsAre("href=x.html"));
  EXPECT_FALSE(parser->Modified);
  ASSERT_NE(cache_.Find(server_.Url("/d/x.html")), nullptr);
  EXPECT_EQ(cache_.Find(server_.Url("/d/x.html"))->MimeType, "text/html");
}

TEST_F(LinkExtractionTest, BaseHrefMovesLaterLinksAndIsRemoved) {
  sites_ = {server_.Url("/")};
  auto parser = Extract(R"(<a href="before.html">b</a><base href=")" + server_.Url("/other") +
                            R"(" target="_top"><a href="y.html">y</a>)",
                        server_.Url("/d/p.html"));
  EXPECT_THAT(Targets(), ElementsAre("/d/before.html", "/other/y.html"));
  EXPECT_THAT(AttributesOf(*parser, "base"), ElementsAre("", "target=_top"));
  EXPECT_TRUE(parser->Modified);
}

TEST_F(LinkExtractionTest, AppletCodeResolvesAgainstItsCodebase) {
  Extract(R"(<applet codebase="classes" code="A.class"></applet><img src="i.png">)", server_.Url("/d/p.html"));
  EXPECT_THAT(Targets(), ElementsAre("/d/classes/A.class", "/d/i.png"));
}

TEST_F(LinkExtractionTest, ResolvesEveryLinkAttributeOfTheTableAndNoOther) {
  Extract(R"(<link rel="stylesheet" href="s.css"><form action="post.cgi"><input src="in.png"></form>)"
          R"(<blockquote cite="c.html">q</blockquote><td background="bg.gif">)",
          server_.Url("/d/p.html"));
  EXPECT_THAT(Targets(), ElementsAre("/d/stylesheet", "/d/s.css", "/d/in.png", "/d/c.html", "/d/bg.gif"));
}

TEST_F(LinkExtractionTest, ALinkOnTwoPagesIsResolvedOnceAndRewrittenOnlyOnTheFirst) {
  const std::string page = R"(<a href=")" + server_.Url("/d/x.html") + R"(">x</a>)";
  auto first = Extract(page, server_.Url("/d/p.html"));
  auto second = Extract(page, server_.Url("/d/q.html"));
  EXPECT_THAT(Targets(), ElementsAre("/d/x.html"));
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/x.html")));
  EXPECT_THAT(AttributesOf(*first, "a"), ElementsAre("href=x.html"));
  EXPECT_TRUE(first->Modified);
  EXPECT_THAT(AttributesOf(*second, "a"), ElementsAre("href=" + server_.Url("/d/x.html")));
  EXPECT_FALSE(second->Modified);
}

TEST_F(LinkExtractionTest, KeepLinksCollectsButNeverRewrites) {
  auto parser = Extract(R"(<a href=")" + server_.Url("/d/x.html") + R"(">x</a>)", server_.Url("/d/p.html"), true);
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/x.html")));
  EXPECT_FALSE(parser->Modified);
}

TEST_F(LinkExtractionTest, ARedirectToAnotherStartSiteIsRewrittenToItsTarget) {
  TLoopbackServer other({.address = "127.0.0.2"});
  other.Answer("/target.html", TScriptedAnswer::Ok("<html></html>"));
  server_.Answer("/d/moved.html", TScriptedAnswer::Redirect(301, other.Url("/target.html")));
  sites_.push_back(other.Url("/"));
  auto parser = Extract(R"(<a href="moved.html#part">m</a>)", server_.Url("/d/p.html"));
  EXPECT_THAT(AttributesOf(*parser, "a"), ElementsAre("href=" + other.Url("/target.html") + "#part"));
  EXPECT_TRUE(parser->Modified);
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/moved.html")));
}

TEST_F(LinkExtractionTest, OutOfSiteAndFailedLinksAreNeitherQueuedNorRewritten) {
  server_.Answer("/d/gone.html", TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", ""));
  auto parser = Extract(R"(<a href=")" + server_.Url("/o/p.html") + R"(">o</a><a href="gone.html">g</a>)"
                        R"(<a href="mailto:someone@example.org">m</a>)",
                        server_.Url("/d/p.html"));
  EXPECT_THAT(Targets(), ElementsAre("/o/p.html", "/d/gone.html"));
  EXPECT_THAT(found_.Items(), IsEmpty());
  EXPECT_FALSE(parser->Modified);
  // The walk that ended on an error answer is kept, so the link is not asked for again.
  EXPECT_NE(cache_.Find(server_.Url("/d/gone.html")), nullptr);
}

TEST_F(LinkExtractionTest, AcceptedTypesAndSizeLimitFilterTheLinks) {
  server_.Answer("/d/i.png", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n"
                                                  "Content-Length: 10\r\n\r\n"));
  server_.Answer("/d/big.txt", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                                                    "Content-Length: 600000\r\n\r\n"));
  server_.Answer("/d/open.txt", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"));
  const std::string page = R"(<img src="i.png"><a href="big.txt">b</a><a href="open.txt">o</a><a href="p.html">p</a>)";

  types_ = {"text/*"};
  maxSize_ = "500k";
  Extract(page, server_.Url("/d/"));
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/open.txt"), server_.Url("/d/p.html")));

  types_ = {"*/*"};
  maxSize_ = "10000M";
  cache_ = TUrlCache();
  found_ = TFoundList();
  Extract(page, server_.Url("/d/"));
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/big.txt"), server_.Url("/d/i.png"),
                                          server_.Url("/d/open.txt"), server_.Url("/d/p.html")));
}

// Same-host links lead to the stored copy by its path and carry the query and fragment once, so a
// stored page opens its neighbour at the fragment and an archive's part is still found by its URL.
TEST_F(LinkExtractionTest, SameHostLinksWithQueryAndFragmentCarryThemOnce) {
  const struct {
    std::string value;
    std::string written;
  } kCases[] = {
      {server_.Url("/d/s/q.html?a=1#sec"), "href=s/q.html?a=1#sec"},
      {server_.Url("/d/r.html;p?b=2"), "href=r.html;p?b=2"},
      {"./t.html?c=3#top", "href=./t.html?c=3#top"},
      {"u.html#frag", "href=u.html#frag"},
      {"#here", "href=#here"},
  };
  for (const auto& c : kCases) {
    auto parser = Extract(R"(<a href=")" + c.value + R"(">l</a>)", server_.Url("/d/p.html"));
    EXPECT_THAT(AttributesOf(*parser, "a"), ElementsAre(c.written)) << c.value;
    EXPECT_EQ(parser->Modified, "href=" + c.value != c.written) << c.value;
  }
}

TEST_F(LinkExtractionTest, RelativeLinksAreRewrittenOnlyWhenTheyLeadElsewhere) {
  auto parser = Extract(R"(<a href="./x.html">x</a><img src="../d/i.png">)", server_.Url("/d/p.html"));
  EXPECT_THAT(AttributesOf(*parser, "a"), ElementsAre("href=./x.html"));
  EXPECT_THAT(AttributesOf(*parser, "img"), ElementsAre("src=i.png"));
  EXPECT_TRUE(parser->Modified);
}

TEST_F(LinkExtractionTest, WorkersSharingTheListsResolveEachLinkForTheCrawl) {
  std::mutex lock;
  lock_ = &lock;
  std::string page;
  std::vector<std::string> expected;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "/d/l" + std::to_string(i) + ".html";
    page += R"(<a href=")" + server_.Url(name) + R"(">l</a>)";
    expected.push_back(server_.Url(name));
  }
  std::sort(expected.begin(), expected.end());
  std::vector<std::future<bool>> workers;
  for (int w = 0; w < 3; ++w) {
    workers.push_back(std::async(std::launch::async, [&, w] {
      return Extract(page, server_.Url("/d/p" + std::to_string(w) + ".html"))->Modified;
    }));
  }
  for (auto& worker : workers) worker.get();
  EXPECT_EQ(found_.Items(), expected);
  EXPECT_EQ(cache_.Count(), expected.size());
}

TEST_F(LinkExtractionTest, TheHeadRequestsGoOutWithoutTheLock) {
  std::mutex lock;
  lock_ = &lock;
  server_.Answer("/d/slow.html", TScriptedAnswer().Pause(std::chrono::seconds(60)));
  std::atomic<bool> cancel{false};
  std::atomic<bool> slowDone{false};
  std::thread slow([&] {
    TParseURL parser(&lock, types_, maxSize_, true, R"(<a href="slow.html">s</a>)", false, &cache_, &found_,
                     sites_, &cancel);
    parser.ExtractLinks(server_.Url("/d/p.html"));
    slowDone = true;
  });
  while (Targets().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // The slow request is pending: another page of the crawl still gets through the lock.
  Extract(R"(<a href="fast.html">f</a>)", server_.Url("/d/q.html"));
  EXPECT_FALSE(slowDone.load());
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/fast.html")));
  cancel = true;
  slow.join();
  EXPECT_THAT(found_.Items(), ElementsAre(server_.Url("/d/fast.html")));
}

}  // namespace
}  // namespace varnelo::parsing
