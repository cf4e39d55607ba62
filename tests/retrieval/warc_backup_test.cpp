// Backups with a WARC file, read back by warcio, an archive reader that no one here wrote.

#include <openssl/evp.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "network/network_fixture.h"
#include "retrieval/retrieve_web_thread.h"
#include "support/loopback_server.h"
#include "support/nginx_server.h"
#include "support/robot_run.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using test::TScriptedAnswer;

constexpr std::string_view kTime = "Tue, 08 Dec 2026 14:05:09 GMT";

std::string Sha1Hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha1(), nullptr);
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

// What the reader said of one record: its name=value pairs.
using TSeenRecord = std::map<std::string, std::string>;

bool CanReadBack(std::string& why) {
  if (std::system("node --version >/dev/null 2>&1") != 0) {
    why = "node is not installed";
    return false;
  }
  for (const char* reader : {"warcio", "node-warc"}) {
    if (!std::filesystem::is_regular_file(std::filesystem::path(VARNELO_NPM_DIR) / "node_modules" / reader /
                                          "package.json")) {
      why = std::string(reader) + " is not installed in " VARNELO_NPM_DIR " (make deps installs it)";
      return false;
    }
  }
  return true;
}

// Runs the reader over `file`; a record it cannot parse fails the test.
std::vector<TSeenRecord> ReadBack(const std::filesystem::path& file) {
  const std::string command = "node '" VARNELO_READ_WARC_SCRIPT "' '" VARNELO_NPM_DIR "' '" + file.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string output;
  std::array<char, 4096> buffer{};
  for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;) {
    output.append(buffer.data(), got);
  }
  EXPECT_EQ(::pclose(pipe.release()), 0) << "the reader failed on " << file;
  std::vector<TSeenRecord> records;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    TSeenRecord record;
    std::istringstream pairs(line);
    for (std::string pair; std::getline(pairs, pair, '\t');) {
      const size_t equals = pair.find('=');
      record[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
    records.push_back(std::move(record));
  }
  return records;
}

// Every record parsed, the warcinfo came first, every digest matched, and each request points at
// the one answer of its URL. Gives the answers by URL.
std::map<std::string, TSeenRecord> CheckedAnswers(const std::vector<TSeenRecord>& records, std::string_view robot) {
  EXPECT_FALSE(records.empty());
  if (records.empty()) return {};
  EXPECT_EQ(records[0].at("type"), "warcinfo");
  EXPECT_THAT(records[0].at("blockText"), ::testing::HasSubstr("software: Varnelo 1.61"));
  EXPECT_THAT(records[0].at("blockText"), ::testing::HasSubstr("robot: " + std::string(robot)));
  std::map<std::string, TSeenRecord> answers;
  std::map<std::string, TSeenRecord> byId;
  std::vector<TSeenRecord> requests;
  for (const TSeenRecord& record : records) {
    EXPECT_EQ(record.at("version"), "WARC/1.1");
    EXPECT_EQ(record.at("blockDigestOk"), "1") << record.at("type") << " " << record.at("uri");
    EXPECT_EQ(record.at("nodeWarcOk"), "1") << record.at("type") << " " << record.at("uri");
    EXPECT_NE(record.at("payloadDigestOk"), "0") << record.at("type") << " " << record.at("uri");
    byId[record.at("id")] = record;
    if (record.at("type") == "request") requests.push_back(record);
    if (record.at("type") == "response" || record.at("type") == "revisit") {
      EXPECT_TRUE(answers.emplace(record.at("uri"), record).second) << "two answers for " << record.at("uri");
      EXPECT_EQ(record.at("infoId"), records[0].at("id"));
    }
  }
  EXPECT_EQ(requests.size(), answers.size());
  for (const TSeenRecord& request : requests) {
    EXPECT_EQ(request.at("contentType"), "application/http;msgtype=request");
    EXPECT_THAT(request.at("requestLine"), ::testing::StartsWith("GET "));
    EXPECT_EQ(byId.count(request.at("concurrentTo")), 1u) << request.at("uri");
    if (byId.count(request.at("concurrentTo")) == 0) continue;
    EXPECT_EQ(byId.at(request.at("concurrentTo")).at("uri"), request.at("uri"));
    EXPECT_EQ(request.at("date"), byId.at(request.at("concurrentTo")).at("date"));
  }
  return answers;
}

class WarcBackupTest : public network::NetworkTest {
protected:
  void SetUp() override {
    if (std::string why; !CanReadBack(why)) GTEST_SKIP() << why;
    store.WriteString("backup", "DataFrom", "Web Site Backup");
    store.WriteString("backup", "WarcFile", " backup.warc.gz ");
  }

  // The site: a start page whose absolute link the store rewrites, an image, a page kept as it came,
  // and a text sent in chunks. `changed` false answers every conditional GET with 304.
  void ServeSite(bool changed) {
    bodies = {{"/site/", "<a href=\"" + server.Url("/site/sub/p.html") +
                             "\">abs</a><img src=\"img.png\"><a href=\"notes.txt\">notes</a>"},
              {"/site/img.png", std::string("\x89PNG\r\n\x1a\n\0x", 10)},
              {"/site/sub/p.html", "<a href=\"../\">back</a><p>sub page</p>"},
              {"/site/notes.txt", "first part, second part"}};
    const std::map<std::string, std::string> types = {{"/site/", "text/html"},
                                                      {"/site/img.png", "image/png"},
                                                      {"/site/sub/p.html", "text/html"},
                                                      {"/site/notes.txt", "text/plain"}};
    for (const auto& [path, body] : bodies) {
      const std::string typeLine = "Content-Type: " + types.at(path) + "\r\n";
      const std::string headers = typeLine + "Last-Modified: " + std::string(kTime) + "\r\n";
      if (!changed) {
        server.Answer(path, TScriptedAnswer::Page("HTTP/1.1 304 Not Modified", headers, ""));
      } else if (path == "/site/notes.txt") {
        server.Answer(path, TScriptedAnswer::Chunked("HTTP/1.1 200 OK", headers, {"first part, ", "second part"}));
      } else {
        server.Answer(path, TScriptedAnswer::Page("HTTP/1.1 200 OK", headers, body));
      }
      server.AnswerMethod("HEAD", path, TScriptedAnswer::Page("HTTP/1.1 200 OK", typeLine, ""));
    }
  }

  void RunBackup() {
    TWebSiteSettings settings;
    settings.RobotName = "backup";
    settings.SiteName = "S";
    settings.Sites = {server.Url("/site/")};
    settings.AcceptedTypes = {"*/*"};
    settings.MaxSize = "10000M";
    run.RunToEnd(std::make_unique<TRetrieve>(run.ports, settings));
  }

  test::TTempHome home;
  config::TConfigStore store{home.RobotConfigPath()};
  test::TLoopbackServer server;
  test::TRobotRun run{home.Path()};
  std::map<std::string, std::string> bodies;
};

TEST_F(WarcBackupTest, EveryStoredPageHasItsResponseWithTheBodyThatCameAndA304RunGivesRevisits) {
  ServeSite(true);
  RunBackup();
  EXPECT_TRUE(run.log.lines.empty()) << run.log.lines.front();
  const std::map<std::string, TSeenRecord> answers = CheckedAnswers(ReadBack(home.Path() / "backup.warc.gz"), "backup");

  // Each file of the page store, by its URL; the rewritten start page differs from what came.
  const std::filesystem::path root = home.Path() / "website/S/127.0.0.1";
  const std::map<std::string, std::filesystem::path> stored = {{"/site/", root / "site/index.html"},
                                                               {"/site/img.png", root / "site/img.png"},
                                                               {"/site/sub/p.html", root / "site/sub/p.html"},
                                                               {"/site/notes.txt", root / "site/notes.txt"}};
  size_t storedFiles = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(home.Path() / "website/S")) {
    storedFiles += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(storedFiles, stored.size());
  EXPECT_EQ(answers.size(), stored.size());
  for (const auto& [path, file] : stored) {
    SCOPED_TRACE(path);
    ASSERT_EQ(answers.count(server.Url(path)), 1u);
    const TSeenRecord& answer = answers.at(server.Url(path));
    EXPECT_EQ(answer.at("type"), "response");
    EXPECT_EQ(answer.at("contentType"), "application/http;msgtype=response");
    EXPECT_EQ(answer.at("status"), "200");
    EXPECT_EQ(answer.at("truncated"), "");
    EXPECT_EQ(answer.at("payloadDigestOk"), "1");
    EXPECT_EQ(answer.at("bodySha1"), Sha1Hex(bodies.at(path)));
    if (path != "/site/") EXPECT_EQ(answer.at("bodySha1"), Sha1Hex(test::ReadFile(file)));
  }

  ServeSite(false);
  RunBackup();
  // The first run's file stays as it was; the second run writes the next name.
  EXPECT_EQ(ReadBack(home.Path() / "backup.warc.gz").size(), 1 + 2 * stored.size());
  const std::map<std::string, TSeenRecord> revisits =
      CheckedAnswers(ReadBack(home.Path() / "backup-1.warc.gz"), "backup");
  EXPECT_EQ(revisits.size(), stored.size());
  for (const auto& [uri, revisit] : revisits) {
    SCOPED_TRACE(uri);
    EXPECT_EQ(revisit.at("type"), "revisit");
    EXPECT_EQ(revisit.at("profile"), "http://netpreserve.org/warc/1.1/revisit/server-not-modified");
    EXPECT_EQ(revisit.at("refersTo"), uri);
    EXPECT_EQ(revisit.at("status"), "304");
    EXPECT_EQ(revisit.at("payloadDigest"), "");
  }
}

TEST_F(WarcBackupTest, ABackupStoppedMidwayLeavesAFileEveryRecordOfWhichReads) {
  std::string links;
  for (int i = 0; i < 30; ++i) {
    const std::string path = "/site/f" + std::to_string(i) + ".txt";
    links += "<a href=\"f" + std::to_string(i) + ".txt\">f</a>";
    constexpr std::string_view kHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 20\r\n\r\n";
    server.Answer(path, TScriptedAnswer::Raw(kHead).Trickle(std::string(20, 'x'), std::chrono::milliseconds(20)));
    server.AnswerMethod("HEAD", path, TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: text/plain\r\n", ""));
  }
  server.Answer("/site/", TScriptedAnswer::Ok(links));
  server.AnswerMethod("HEAD", "/site/", TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", ""));
  const auto gets = [this] {
    size_t count = 0;
    for (const auto& request : server.Requests()) count += request.Method() == "GET" ? 1 : 0;
    return count;
  };

  TWebSiteSettings settings;
  settings.RobotName = "backup";
  settings.SiteName = "S";
  settings.Sites = {server.Url("/site/")};
  settings.AcceptedTypes = {"*/*"};
  settings.MaxSize = "10000M";
  bool ended = false;
  auto worker = std::make_unique<TRetrieve>(run.ports, settings);
  worker->SetOnTerminate([&ended](base::TWorker&) { ended = true; });
  base::TWorker* master = base::TWorker::Start(std::move(worker));
  run.mainQueue.RunUntil([&] { return gets() >= 5; });
  master->Terminate();
  run.mainQueue.RunUntil([&ended] { return ended; });

  const std::map<std::string, TSeenRecord> answers = CheckedAnswers(ReadBack(home.Path() / "backup.warc.gz"), "backup");
  EXPECT_GE(answers.size(), 2u);
  EXPECT_LE(answers.size(), gets());
  for (const auto& [uri, answer] : answers) {
    if (uri == server.Url("/site/") || !answer.at("truncated").empty()) continue;
    EXPECT_EQ(answer.at("bodySha1"), Sha1Hex(std::string(20, 'x'))) << uri;
  }
}

// A real site that no one here wrote: the English Apache HTTP Server manual from Debian, served by nginx.
class WarcNginxBackupTest : public network::NetworkTest {
protected:
  void SetUp() override {
    if (std::string why; !CanReadBack(why)) GTEST_SKIP() << why;
    if (!test::TNginxServer::Unavailable().empty()) GTEST_SKIP() << test::TNginxServer::Unavailable();
    if (!std::filesystem::is_regular_file(kManual / "en/index.html")) GTEST_SKIP() << "no apache2-doc manual";
    nginx = std::make_unique<test::TNginxServer>(kManual, "/manual/");
  }

  const std::filesystem::path kManual = "/usr/share/doc/apache2-doc/manual";
  test::TTempHome home;
  std::unique_ptr<test::TNginxServer> nginx;
  test::TRobotRun run{home.Path()};
};

TEST_F(WarcNginxBackupTest, EveryStoredFileHasItsResponseWithTheBytesNginxSent) {
  const config::TConfigStore store(home.RobotConfigPath());
  const std::filesystem::path warc = home.Path() / "manual.warc.gz";
  store.WriteString("manual", "DataFrom", "Web Site Backup");
  store.WriteString("manual", "WarcFile", warc.string());
  TWebSiteSettings settings;
  settings.RobotName = "manual";
  settings.SiteName = "manual";
  settings.Sites = {nginx->Url("/manual/en/")};
  settings.AcceptedTypes = {"*/*"};
  settings.MaxSize = "10000M";
  run.RunToEnd(std::make_unique<TRetrieve>(run.ports, settings));

  const std::filesystem::path storeRoot = home.Path() / "website/manual/127.0.0.1/manual/en";
  std::set<std::string> storedNames;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(storeRoot)) {
    if (entry.is_regular_file()) storedNames.insert(std::filesystem::relative(entry.path(), storeRoot).string());
  }
  ASSERT_GT(storedNames.size(), 100u);

  // Each 2xx answer's body is the file nginx served, byte for byte, and names a stored file.
  const std::string prefix = nginx->Url("/manual/en/");
  std::set<std::string> answeredNames;
  for (const auto& [uri, answer] : CheckedAnswers(ReadBack(warc), "manual")) {
    if (answer.at("status") != "200") continue;
    SCOPED_TRACE(uri);
    ASSERT_TRUE(uri.starts_with(prefix));
    std::string name = uri.substr(prefix.size());
    if (name.empty() || name.ends_with("/")) name += "index.html";
    EXPECT_EQ(answer.at("type"), "response");
    EXPECT_EQ(answer.at("payloadDigestOk"), "1");
    EXPECT_EQ(answer.at("bodySha1"), Sha1Hex(test::ReadFile(kManual / "en" / name)));
    answeredNames.insert(name);
  }
  EXPECT_EQ(answeredNames, storedNames);
}

}  // namespace
}  // namespace varnelo::retrieval
