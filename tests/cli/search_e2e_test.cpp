// Search engine robots run through varnelo-cli against a loopback server: RSS, GET and POST engines,
// the shared RSS tab, several workers at once, a script that receives the answers, and a stop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_e2e_fixture.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr std::string_view kRobot = "Moteurs";

constexpr std::string_view kRss091 =
    "<?xml version=\"1.0\"?>\n"
    "<rss version=\"0.91\">\n"
    "  <channel>\n"
    "    <title>Nouvelles</title>\n"
    "    <link>http://127.0.0.1/</link>\n"
    "    <description>Un canal 0.91</description>\n"
    "    <language>fr</language>\n"
    "    <item>\n"
    "      <title>Titre 091</title>\n"
    "      <link>http://127.0.0.1/091</link>\n"
    "      <description>Description 091</description>\n"
    "    </item>\n"
    "  </channel>\n"
    "</rss>\n";

constexpr std::string_view kRss2 =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rss version=\"2.0\">\n"
    "<channel>\n"
    "<title>Deux</title><link>http://127.0.0.1/</link><description>Un canal 2.0</description>\n"
    "<item><title>Premier \xC3\xA9t\xC3\xA9</title><link>http://127.0.0.1/a1?x=1&amp;y=2</link>"
    "<description>Un &lt;b&gt;gras&lt;/b&gt;</description><guid>a1</guid></item>\n"
    "<item><title>Second</title><link>http://127.0.0.1/a2</link></item>\n"
    "</channel>\n"
    "</rss>\n";

// RSS 1.0: the items stand beside the channel, not in it, so they give no rows.
constexpr std::string_view kRss1 =
    "<?xml version=\"1.0\"?>\n"
    "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\">\n"
    "  <channel rdf:about=\"http://127.0.0.1/\">\n"
    "    <title>RDF</title><link>http://127.0.0.1/</link><description>Un canal 1.0</description>\n"
    "    <items><rdf:Seq><rdf:li rdf:resource=\"http://127.0.0.1/r1\"/></rdf:Seq></items>\n"
    "  </channel>\n"
    "  <item rdf:about=\"http://127.0.0.1/r1\"><title>Article RDF</title><link>http://127.0.0.1/r1</link></item>\n"
    "</rdf:RDF>\n";

// ISO-8859-1: the bytes E9 and E8 are "é" and "è".
constexpr std::string_view kLatin1 =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<rss version=\"2.0\"><channel><title>Latin</title>\n"
    "<item><title>Caf\xE9 cr\xE8me</title><link>http://127.0.0.1/cafe</link><description>D\xE9j\xE0 vu</description>"
    "</item>\n"
    "</channel></rss>\n";

class SearchE2eTest : public CliE2eTest {
protected:
  // A search engine robot; `extraKeys` are more "key=value\r\n" lines of its section.
  void WriteRobot(int nbsimul, const std::string& extraKeys, const std::string& general = "") const {
    WriteConfig("[general]\r\nnextrobot=1\r\n" + general + "[dictionary]\r\n[" + std::string(kRobot) +
                "]\r\nDataFrom=Search engine functionality\r\nrobotno=0\r\nnbsimul=" + std::to_string(nbsimul) +
                "\r\n" + extraKeys);
  }

  void WriteEngine(const std::string& file, const std::string& getquery, bool rss, const std::string& postquery = "") const {
    const fs::path folder = home_.Path() / "Robot Definitions" / kRobot;
    fs::create_directories(folder);
    WriteFile(folder / file, "[Properties]\r\ngetquery=" + getquery + "\r\nrss=" + (rss ? "1" : "0") +
                                 "\r\npostquery=" + postquery + "\r\n");
  }

  void ServeFeed(const std::string& path, std::string_view feed) {
    server_.Answer(path, TScriptedAnswer::Ok(feed, "Content-Type: application/rss+xml\r\n"));
  }

  std::string Started(const std::string& url) const {
    return "démarrage du processus(" + std::string(kRobot) + ":" + url + ")";
  }
};

const std::string kNoMoreStarted = "No more Moteurs will be started";
const std::string kNoMoreChained = "No more Moteurs sera démarré";
const std::string kEnded = "Robot Moteurs s'est terminé";

TEST_F(SearchE2eTest, FeedsOfEveryLayoutAndEncodingFillTheirOwnTabs) {
  WriteRobot(1, "SeeOnScreen=1\r\nSendToScript=0\r\nAllRSSInOneWindow=0\r\n");
  ServeFeed("/091", kRss091);
  ServeFeed("/deux", kRss2);
  ServeFeed("/rdf", kRss1);
  ServeFeed("/latin", kLatin1);
  WriteEngine("rss091.def", server_.Url("/091"), true);
  WriteEngine("rss2.def", server_.Url("/deux"), true);
  WriteEngine("rdf.def", server_.Url("/rdf"), true);
  WriteEngine("latin1", server_.Url("/latin"), true);

  const TCliResult run = Run({"run", std::string(kRobot)});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(LinesOf(run.out),
              UnorderedElementsAre("rss091\tTitre 091\thttp://127.0.0.1/091\tDescription 091",
                                   "rss2\tPremier \xC3\xA9t\xC3\xA9\thttp://127.0.0.1/a1?x=1&y=2\tUn <b>gras</b>",
                                   "rss2\tSecond\thttp://127.0.0.1/a2\t",
                                   "latin1\tCaf\xC3\xA9 cr\xC3\xA8me\thttp://127.0.0.1/cafe\tD\xC3\xA9j\xC3\xA0 vu"));
  const std::vector<std::string> log = LinesOf(run.err);
  for (const char* path : {"/091", "/deux", "/rdf", "/latin"}) EXPECT_EQ(CountOf(log, Started(server_.Url(path))), 1u) << path;
  EXPECT_EQ(CountOf(log, kNoMoreStarted), 0u);
  // One worker at a time: only the last end finds the queue empty.
  EXPECT_EQ(CountOf(log, kNoMoreChained), 1u);
  EXPECT_EQ(CountOf(log, kEnded), 1u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), kEnded);
  EXPECT_THAT(Targets("GET"), UnorderedElementsAre("/091", "/deux", "/rdf", "/latin"));
  EXPECT_EQ(Store().ReadString(kRobot, "running", "absent"), "0");
}

TEST_F(SearchE2eTest, AllFeedsInTheRobotsTabWithMoreWorkersThanEngines) {
  WriteRobot(3, "SeeOnScreen=1\r\nAllRSSInOneWindow=1\r\n");
  ServeFeed("/091", kRss091);
  ServeFeed("/latin", kLatin1);
  WriteEngine("rss091.def", server_.Url("/091"), true);
  WriteEngine("latin1.def", server_.Url("/latin"), true);

  const TCliResult run = Run({"run", "--json", std::string(kRobot)});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(LinesOf(run.out),
              UnorderedElementsAre(
                  R"({"tab":"Moteurs","columns":["Titre 091","http://127.0.0.1/091","Description 091"]})",
                  "{\"tab\":\"Moteurs\",\"columns\":[\"Caf\xC3\xA9 cr\xC3\xA8me\",\"http://127.0.0.1/cafe\","
                  "\"D\xC3\xA9j\xC3\xA0 vu\"]}"));
  const std::vector<std::string> log = LinesOf(run.err);
  EXPECT_EQ(CountOf(log, Started(server_.Url("/091"))), 1u);
  EXPECT_EQ(CountOf(log, Started(server_.Url("/latin"))), 1u);
  // Two engines for three workers: the start says so once, and each end finds the queue empty.
  EXPECT_EQ(CountOf(log, kNoMoreStarted), 1u);
  EXPECT_EQ(CountOf(log, kNoMoreChained), 2u);
  EXPECT_EQ(CountOf(log, kEnded), 1u);
  EXPECT_EQ(log.back(), kEnded);
}

TEST_F(SearchE2eTest, SearchWordsReachEveryKindOfEngineEncoded) {
  // "ie": the browser tabs navigate with the post data and headers themselves.
  WriteRobot(3, "SeeOnScreen=1\r\n", "browser=ie\r\n");
  ServeFeed("/feed?q=fish%20&%20chips%E9", kRss091);
  WriteEngine("flux.def", server_.Url("/feed?q=$_"), true);
  WriteEngine("web.def", server_.Url("/web?q=$_&n=10"), false);
  WriteEngine("poste.def", server_.Url("/post"), false, "q=$_&lang=fr");

  const TCliResult run = Run({"search", std::string(kRobot), "fish", "&", "chips\xE9"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(LinesOf(run.out),
              UnorderedElementsAre("flux\tTitre 091\thttp://127.0.0.1/091\tDescription 091",
                                   "web\t" + server_.Url("/web?q=fish%20&%20chips%E9&n=10"),
                                   "poste\t" + server_.Url("/post") + "\tq=fish%20&%20chips%E9&lang=fr"));
  const std::vector<std::string> log = LinesOf(run.err);
  EXPECT_EQ(CountOf(log, Started(server_.Url("/web?q=fish%20&%20chips%E9&n=10"))), 1u);
  EXPECT_EQ(CountOf(log, Started(server_.Url("/post"))), 1u);
  // As many engines as workers: the queue empties with the last start, which is not "before".
  EXPECT_EQ(CountOf(log, kNoMoreStarted), 0u);
  EXPECT_EQ(CountOf(log, kEnded), 1u);
  EXPECT_THAT(Targets("GET"), Contains("/feed?q=fish%20&%20chips%E9"));
}

class PostEngineE2eTest : public SearchE2eTest, public ::testing::WithParamInterface<const char*> {};

// A POST engine shown on screen hands the script what its browser tab loaded: the answer to the POST,
// sent directly ("ie") or through the home's postproxy.html ("firefox").
TEST_P(PostEngineE2eTest, ScriptGetsTheAnswerToThePost) {
  const std::string browser = GetParam();
  const fs::path script = home_.Path() / "answer.pas";
  WriteFile(script,
            "begin\r\n  Result := url + ' ' + IntToStr(extractedItems.Count) + ' ' + extractedItems[1];\r\nend.\r\n");
  WriteRobot(1, "SeeOnScreen=1\r\nSendToScript=1\r\nScriptName=" + script.string() + "\r\n",
             "browser=" + browser + "\r\n");
  server_.AnswerMethod("POST", "/post", TScriptedAnswer::Ok("reponse\r\nau post\r\n"));
  server_.AnswerMethod("GET", "/post", TScriptedAnswer::Ok("pas un post\r\n"));
  WriteEngine("poste.def", server_.Url("/post"), false, "q=$_&lang=fr");

  const TCliResult run = Run({"search", std::string(kRobot), "fish", "chips"});

  EXPECT_EQ(run.status, 0) << run.err;
  const std::string body = "q=fish%20chips&lang=fr";
  EXPECT_EQ(run.out, browser == "firefox"
                         ? "poste\tfile://" + (home_.Path() / "postproxy.html").string() + "#" + server_.Url("/post") +
                               "%00" + body + "\n"
                         : "poste\t" + server_.Url("/post") + "\t" + body + "\n");
  EXPECT_EQ(CountOf(LinesOf(run.err), server_.Url("/post") + " 2 au post"), 1u) << run.err;
  const std::vector<TRecordedRequest> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].RequestLine(), "POST /post HTTP/1.1");
  EXPECT_THAT(requests[0].Header("Content-Type").value_or(""), ::testing::StartsWith("application/x-www-form-urlencoded"));
}

INSTANTIATE_TEST_SUITE_P(Browsers, PostEngineE2eTest, ::testing::Values("firefox", "ie"));

TEST_F(SearchE2eTest, ScriptReceivesEachAnswerAsLines) {
  const fs::path script = home_.Path() / "answer.pas";
  WriteFile(script,
            "begin\r\n  Result := url + ' ' + IntToStr(extractedItems.Count) + ' ' + extractedItems[1];\r\nend.\r\n");
  WriteRobot(1, "SeeOnScreen=0\r\nSendToScript=1\r\nScriptName=" + script.string() + "\r\n");
  server_.Answer("/page?q=mots%20cl%C3%A9s", TScriptedAnswer::Ok("ligne un\r\nligne deux\nligne trois\r\n"));
  server_.Answer("/post", TScriptedAnswer::Ok("<html>\r\n<p>post</p>\r\n</html>\r\n"));
  WriteEngine("page.def", server_.Url("/page?q=$_"), false);
  WriteEngine("poste.def", server_.Url("/post"), false, "q=$_");

  const TCliResult run = Run({"search", std::string(kRobot), "mots", "cl\xC3\xA9s"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");  // nothing on screen
  const std::vector<std::string> log = LinesOf(run.err);
  EXPECT_EQ(CountOf(log, server_.Url("/page?q=mots%20cl%C3%A9s") + " 3 ligne deux"), 1u) << run.err;
  // Not shown on screen, a POST engine gives the script the answer of a plain GET.
  EXPECT_EQ(CountOf(log, server_.Url("/post") + " 3 <p>post</p>"), 1u) << run.err;
  EXPECT_THAT(Targets("POST"), IsEmpty());
  EXPECT_EQ(log.back(), kEnded);
}

TEST_F(SearchE2eTest, RobotWithoutActiveEngineStartsNothing) {
  WriteRobot(1, "SeeOnScreen=1\r\n");
  WriteEngine("flux.def", server_.Url("/feed"), true);
  WriteFile(home_.Path() / "Robot Definitions" / kRobot / "activeengine", "[engineactivity]\r\nflux.def=0\r\n");

  const TCliResult run = Run({"run", std::string(kRobot)});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(server_.Requests(), IsEmpty());
}

// A stop does not shorten a search run: the remaining engines are still queried.
TEST_F(SearchE2eTest, StopLetsTheRunQueryTheRemainingEngines) {
  WriteRobot(1, "SeeOnScreen=1\r\n");
  std::atomic<bool> stopSent{false};
  server_.Answer("/un", TScriptedAnswer()
                            .WaitUntil([&stopSent] { return stopSent.load(); }, 20s)
                            .Send("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                                  std::to_string(kRss091.size()) + "\r\n\r\n" + std::string(kRss091)));
  ServeFeed("/deux", kRss2);
  ServeFeed("/trois", kLatin1);
  WriteEngine("un.def", server_.Url("/un"), true);
  WriteEngine("deux.def", server_.Url("/deux"), true);
  WriteEngine("trois.def", server_.Url("/trois"), true);

  TCliProcess cli(Words({"run", std::string(kRobot)}));
  ASSERT_TRUE(WaitFor([this] {
    const std::vector<std::string> targets = Targets("GET");
    return std::find(targets.begin(), targets.end(), "/un") != targets.end();
  })) << cli.Err();
  cli.Signal(SIGINT);
  stopSent = true;

  EXPECT_EQ(cli.Wait(), 130) << cli.Err();
  EXPECT_THAT(Targets("GET"), UnorderedElementsAre("/un", "/deux", "/trois"));
  const std::vector<std::string> log = LinesOf(cli.Err());
  EXPECT_EQ(CountOf(log, kEnded), 1u) << cli.Err();
  EXPECT_EQ(LinesOf(cli.Out()).size(), 4u) << cli.Out();
  EXPECT_EQ(Store().ReadString(kRobot, "running", "absent"), "0");
}

}  // namespace
}  // namespace varnelo::test
