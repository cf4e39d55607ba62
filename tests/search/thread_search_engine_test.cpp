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

// Atom feeds as a video channel, a code forge and the arXiv API write them. "LOOPBACK" in an expected link
// stands for the test server's address, which relative links resolve against.
struct TAtomFeedCase {
  const char* name;
  std::string body;
  std::vector<base::TListRow> rows;
};
void PrintTo(const TAtomFeedCase& c, std::ostream* os) { *os << c.name; }

class SearchEngineAtomTest : public SearchEngineWorkerTest, public ::testing::WithParamInterface<TAtomFeedCase> {};

TEST_P(SearchEngineAtomTest, EntriesBecomeRowsOfTheEnginesOwnTab) {
  Robot({{"SeeOnScreen", "1"}});
  server.Answer("/feeds/atom.xml", TScriptedAnswer::Ok(GetParam().body, "Content-Type: application/atom+xml\r\n"));
  Run(Engine("Flux.rss", "/feeds/atom.xml", true));
  std::vector<base::TListRow> expected = GetParam().rows;
  const std::string origin = server.Url("/");
  for (base::TListRow& row : expected) {
    std::string& link = row.SubItems.at(0);
    if (link.starts_with("LOOPBACK")) link = origin + link.substr(std::string_view("LOOPBACK/").size());
  }
  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::ListViewRSS);
  EXPECT_EQ(tab.Caption, "Flux");
  EXPECT_EQ(tab.Content.Rows, expected);
  EXPECT_TRUE(run.log.lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Feeds, SearchEngineAtomTest,
    ::testing::Values(
        // Only media:description describes a video: an Atom entry without summary or content shows none.
        TAtomFeedCase{
            "VideoChannel",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<feed xmlns:yt=\"http://www.youtube.com/xml/schemas/2015\" xmlns:media=\"http://search.yahoo.com/mrss/\" "
            "xmlns=\"http://www.w3.org/2005/Atom\">\n"
            " <link rel=\"self\" href=\"http://www.youtube.com/feeds/videos.xml?channel_id=UCw8aT1l\"/>\n"
            " <id>yt:channel:w8aT1l</id>\n <yt:channelId>w8aT1l</yt:channelId>\n <title>Atelier Bois</title>\n"
            " <link rel=\"alternate\" href=\"https://www.youtube.com/channel/UCw8aT1l\"/>\n"
            " <author>\n  <name>Atelier Bois</name>\n  <uri>https://www.youtube.com/channel/UCw8aT1l</uri>\n </author>\n"
            " <published>2019-03-01T10:00:00+00:00</published>\n"
            " <entry>\n  <id>yt:video:Qx7bA2</id>\n  <yt:videoId>Qx7bA2</yt:videoId>\n"
            "  <yt:channelId>UCw8aT1l</yt:channelId>\n  <title>Un tabouret en ch\xc3\xaane</title>\n"
            "  <link rel=\"alternate\" href=\"https://www.youtube.com/watch?v=Qx7bA2\"/>\n"
            "  <author>\n   <name>Atelier Bois</name>\n   <uri>https://www.youtube.com/channel/UCw8aT1l</uri>\n"
            "  </author>\n  <published>2024-04-02T16:00:11+00:00</published>\n"
            "  <updated>2024-04-03T08:12:40+00:00</updated>\n  <media:group>\n"
            "   <media:title>Un tabouret en ch\xc3\xaane</media:title>\n"
            "   <media:content url=\"https://www.youtube.com/v/Qx7bA2?version=3\" type=\"application/x-shockwave-flash\""
            " width=\"640\" height=\"390\"/>\n"
            "   <media:thumbnail url=\"https://i1.ytimg.com/vi/Qx7bA2/hqdefault.jpg\" width=\"480\" height=\"360\"/>\n"
            "   <media:description>Assemblage \xc3\xa0 tenons et mortaises.\nMat\xc3\xa9riel : ciseaux</media:description>\n"
            "   <media:community>\n    <media:starRating count=\"12\" average=\"5.00\" min=\"1\" max=\"5\"/>\n"
            "    <media:statistics views=\"345\"/>\n   </media:community>\n  </media:group>\n </entry>\n"
            " <entry>\n  <id>yt:video:Zr81pp</id>\n  <yt:videoId>Zr81pp</yt:videoId>\n"
            "  <title>Aff\xc3\xbbter un rabot</title>\n"
            "  <link rel=\"alternate\" href=\"https://www.youtube.com/watch?v=Zr81pp\"/>\n"
            "  <media:group><media:title>Aff\xc3\xbbter un rabot</media:title>"
            "<media:description>Pierres \xc3\xa0 eau</media:description></media:group>\n </entry>\n</feed>\n",
            {{"Un tabouret en ch\xc3\xaane", {"https://www.youtube.com/watch?v=Qx7bA2", ""}, {}},
             {"Aff\xc3\xbbter un rabot", {"https://www.youtube.com/watch?v=Zr81pp", ""}, {}}}},
        // Release notes come as escaped HTML, named entities of HTML included.
        TAtomFeedCase{
            "ForgeReleases",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<feed xmlns=\"http://www.w3.org/2005/Atom\" xmlns:media=\"http://search.yahoo.com/mrss/\" "
            "xml:lang=\"en-US\">\n"
            "  <id>tag:github.com,2008:https://github.com/acme/widget/releases</id>\n"
            "  <link type=\"text/html\" rel=\"alternate\" href=\"https://github.com/acme/widget/releases\"/>\n"
            "  <link type=\"application/atom+xml\" rel=\"self\" href=\"https://github.com/acme/widget/releases.atom\"/>\n"
            "  <title>Release notes from widget</title>\n  <updated>2024-05-02T09:12:44Z</updated>\n"
            "  <entry>\n    <id>tag:github.com,2008:Repository/1/v2.1.0</id>\n"
            "    <updated>2024-05-02T09:12:44Z</updated>\n"
            "    <link rel=\"alternate\" type=\"text/html\" href=\"https://github.com/acme/widget/releases/tag/v2.1.0\"/>\n"
            "    <title>v2.1.0</title>\n"
            "    <content type=\"html\">&lt;h2&gt;What&amp;#39;s Changed&lt;/h2&gt;\n&lt;ul&gt;\n"
            "&lt;li&gt;Faster &lt;code&gt;parse()&lt;/code&gt; by &lt;a class=&quot;user-mention notranslate&quot; "
            "href=&quot;https://github.com/ann&quot;&gt;@ann&lt;/a&gt;&lt;/li&gt;\n"
            "&lt;li&gt;Fix &amp;lt;br&amp;gt; handling&lt;/li&gt;\n&lt;/ul&gt;</content>\n"
            "    <author>\n      <name>ann</name>\n    </author>\n"
            "    <media:thumbnail height=\"30\" width=\"30\" url=\"https://avatars.githubusercontent.com/u/1?s=60&amp;v=4\"/>\n"
            "  </entry>\n"
            "  <entry>\n    <id>tag:github.com,2008:Repository/1/v2.0.0</id>\n"
            "    <link rel=\"alternate\" type=\"text/html\" href=\"/acme/widget/releases/tag/v2.0.0\"/>\n"
            "    <title>v2.0.0 &#8211; caf\xc3\xa9</title>\n"
            "    <content type=\"html\">&lt;p&gt;Caf&amp;eacute; &amp;mdash; first&amp;nbsp;cut&lt;/p&gt;</content>\n"
            "  </entry>\n</feed>\n",
            {{"v2.1.0",
              {"https://github.com/acme/widget/releases/tag/v2.1.0", "What's Changed Faster parse() by @ann Fix <br> handling"},
              {}},
             {"v2.0.0 \xe2\x80\x93 caf\xc3\xa9",
              {"LOOPBACK/acme/widget/releases/tag/v2.0.0", "Caf\xc3\xa9 \xe2\x80\x94 first\xc2\xa0" "cut"},
              {}}}},
        // Several links per entry, the page of the paper not first among them; opensearch elements beside
        // the entries.
        TAtomFeedCase{
            "ArxivQuery",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\">\n"
            "  <link href=\"http://arxiv.org/api/query?search_query%3Dall%3Aelectron%26id_list%3D%26start%3D0%26"
            "max_results%3D2\" rel=\"self\" type=\"application/atom+xml\"/>\n"
            "  <title type=\"html\">ArXiv Query: search_query=all:electron&amp;id_list=&amp;start=0&amp;"
            "max_results=2</title>\n  <id>http://arxiv.org/api/cHxbiOdZaP56ODnBPIenZhzg5f8</id>\n"
            "  <updated>2024-06-07T00:00:00-04:00</updated>\n"
            "  <opensearch:totalResults xmlns:opensearch=\"http://a9.com/-/spec/opensearch/1.1/\">1000"
            "</opensearch:totalResults>\n"
            "  <opensearch:startIndex xmlns:opensearch=\"http://a9.com/-/spec/opensearch/1.1/\">0"
            "</opensearch:startIndex>\n"
            "  <opensearch:itemsPerPage xmlns:opensearch=\"http://a9.com/-/spec/opensearch/1.1/\">2"
            "</opensearch:itemsPerPage>\n"
            "  <entry>\n    <id>http://arxiv.org/abs/hep-ex/0307015v1</id>\n"
            "    <published>2003-07-07T13:46:39-04:00</published>\n"
            "    <title>Multi-Electron Production at High Transverse Momenta in ep Collisions at\n  HERA</title>\n"
            "    <summary>  Multi-electron production is studied at high electron transverse momentum\n"
            "in positron- and electron-proton collisions using the H1 detector at HERA.\n</summary>\n"
            "    <author>\n      <name>H1 Collaboration</name>\n    </author>\n"
            "    <arxiv:comment xmlns:arxiv=\"http://arxiv.org/schemas/atom\">23 pages, 8 figures</arxiv:comment>\n"
            "    <link title=\"doi\" href=\"http://dx.doi.org/10.1140/epjc/s2003-01326-x\" rel=\"related\"/>\n"
            "    <link href=\"http://arxiv.org/abs/hep-ex/0307015v1\" rel=\"alternate\" type=\"text/html\"/>\n"
            "    <link title=\"pdf\" href=\"http://arxiv.org/pdf/hep-ex/0307015v1\" rel=\"related\" "
            "type=\"application/pdf\"/>\n"
            "    <arxiv:primary_category xmlns:arxiv=\"http://arxiv.org/schemas/atom\" term=\"hep-ex\" "
            "scheme=\"http://arxiv.org/schemas/atom\"/>\n"
            "    <category term=\"hep-ex\" scheme=\"http://arxiv.org/schemas/atom\"/>\n  </entry>\n"
            "  <entry>\n    <id>http://arxiv.org/abs/astro-ph/0608371v1</id>\n"
            "    <title>Electron thermal conductivity owing to collisions between degenerate\n"
            "  electrons</title>\n"
            "    <summary>  We calculate the thermal conductivity of electrons.\n</summary>\n"
            "    <link href=\"http://arxiv.org/abs/astro-ph/0608371v1\" rel=\"alternate\" type=\"text/html\"/>\n"
            "    <link title=\"pdf\" href=\"http://arxiv.org/pdf/astro-ph/0608371v1\" rel=\"related\" "
            "type=\"application/pdf\"/>\n  </entry>\n</feed>\n",
            {{"Multi-Electron Production at High Transverse Momenta in ep Collisions at HERA",
              {"http://arxiv.org/abs/hep-ex/0307015v1",
               "Multi-electron production is studied at high electron transverse momentum in positron- and "
               "electron-proton collisions using the H1 detector at HERA."},
              {}},
             {"Electron thermal conductivity owing to collisions between degenerate electrons",
              {"http://arxiv.org/abs/astro-ph/0608371v1", "We calculate the thermal conductivity of electrons."},
              {}}}},
        // Relative links and xml:base resolve against the address the feed came from.
        TAtomFeedCase{
            "XmlBase",
            "<?xml version=\"1.0\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"/blog/\">\n"
            "<title>Blog</title>\n"
            "<entry xml:base=\"2024/\"><title>In a year</title><link href=\"post.html\"/></entry>\n"
            "<entry><title>Up</title><link href=\"../about\"/></entry>\n"
            "<entry xml:base=\"http://mirror.test/m/\"><title>Mirror</title><link href=\"p?id=3\"/></entry>\n"
            "</feed>\n",
            {{"In a year", {"LOOPBACK/blog/2024/post.html", ""}, {}},
             {"Up", {"LOOPBACK/about", ""}, {}},
             {"Mirror", {"http://mirror.test/m/p?id=3", ""}, {}}}},
        TAtomFeedCase{"NoXmlBase",
                      "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>Near</title>"
                      "<link href=\"entries/7\"/></entry></feed>",
                      {{"Near", {"LOOPBACK/feeds/entries/7", ""}, {}}}},
        // A feed cut short is still a feed: no rows and, as for RSS, no word.
        TAtomFeedCase{"CutShort",
                      "<?xml version=\"1.0\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry><title>half", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchEngineWorkerTest, AtomLinksResolveAgainstTheAddressARedirectLeadsTo) {
  Robot({{"SeeOnScreen", "1"}});
  server.Answer("/old/feed", TScriptedAnswer::Redirect(302, server.Url("/new/atom.xml")));
  server.Answer("/new/atom.xml", TScriptedAnswer::Ok("<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry>"
                                                     "<title>moved</title><link href=\"e/1\"/></entry></feed>"));
  Run(Engine("feed", "/old/feed", true));
  EXPECT_EQ(OnlyTab().Content.Rows, (std::vector<TListRow>{{"moved", {server.Url("/new/e/1"), ""}, {}}}));
}

// What the server sent as its answer and is no feed: the tab opens as ever, empty, and the log says why.
struct TNotAFeedCase {
  const char* name;
  std::string contentType;
  std::string body;
  std::string line;
};
void PrintTo(const TNotAFeedCase& c, std::ostream* os) { *os << c.name; }

class SearchEngineNotAFeedTest : public SearchEngineWorkerTest, public ::testing::WithParamInterface<TNotAFeedCase> {};

TEST_P(SearchEngineNotAFeedTest, LogsOneLineAndLeavesTheTabEmpty) {
  Robot({{"SeeOnScreen", "1"}});
  server.Answer("/feed", TScriptedAnswer::Ok(GetParam().body, "Content-Type: " + GetParam().contentType + "\r\n"));
  Run(Engine("Le Monde.rss", "/feed", true));
  const base::TTabSheet& tab = OnlyTab();
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::ListViewRSS);
  EXPECT_EQ(tab.Caption, "Le Monde");
  EXPECT_TRUE(tab.Content.Rows.empty());
  EXPECT_EQ(run.log.lines, std::vector<std::string>{GetParam().line});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SearchEngineNotAFeedTest,
    ::testing::Values(
        TNotAFeedCase{"HtmlPage", "text/html; charset=utf-8",
                      "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>Accueil</title>\n"
                      "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/rss\">\n</head>\n"
                      "<body><p>Bienvenue<br>sur le site</p></body>\n</html>\n",
                      "Flux illisible pour Le Monde: ni RSS ni Atom (\xc3\xa9l\xc3\xa9ment racine <html>)"},
        TNotAFeedCase{"WellFormedXhtml", "application/xhtml+xml",
                      "<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title>"
                      "</head><body><p>x</p></body></html>\n",
                      "Flux illisible pour Le Monde: ni RSS ni Atom (\xc3\xa9l\xc3\xa9ment racine <html>)"},
        // An Atom 0.3 feed is of another namespace.
        TNotAFeedCase{"OldAtomNamespace", "application/xml",
                      "<feed version=\"0.3\" xmlns=\"http://purl.org/atom/ns#\"><title>old</title>"
                      "<entry><title>e</title></entry></feed>",
                      "Flux illisible pour Le Monde: ni RSS ni Atom (\xc3\xa9l\xc3\xa9ment racine <feed>)"},
        TNotAFeedCase{"Json", "application/json", "{\"items\": [{\"title\": \"a\", \"url\": \"http://a/1\"}]}\n",
                      "Flux illisible pour Le Monde: ce n'est pas du XML"},
        TNotAFeedCase{"EmptyBody", "text/xml", "", "Flux illisible pour Le Monde: document vide"},
        TNotAFeedCase{"BlankBody", "text/xml", "\r\n  \r\n", "Flux illisible pour Le Monde: document vide"}),
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
