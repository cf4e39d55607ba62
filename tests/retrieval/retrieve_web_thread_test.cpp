#include "retrieval/retrieve_web_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "network/http_date.h"
#include "network/network_fixture.h"
#include "support/loopback_server.h"
#include "support/peak_memory.h"
#include "support/robot_run.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

using test::TScriptedAnswer;

constexpr std::string_view kPageTime = "Tue, 08 Dec 2026 14:05:09 GMT";
constexpr std::string_view kImageTime = "Mon, 07 Dec 2026 10:00:00 GMT";

std::time_t FileTime(const std::filesystem::path& file) {
  return std::chrono::system_clock::to_time_t(
      std::chrono::file_clock::to_sys(std::filesystem::last_write_time(file)));
}

size_t Count(std::string_view text, std::string_view part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class RetrieveWebThreadTest : public network::NetworkTest {
protected:
  RetrieveWebThreadTest() { store.WriteString("backup", "DataFrom", "Web Site Backup"); }

  // With `typeOn304` false a 304 names no type, as Python's http.server and many others answer.
  void ServeSite(bool changed, bool typeOn304 = true) {
    const std::string status = changed ? "HTTP/1.1 200 OK" : "HTTP/1.1 304 Not Modified";
    const auto page = [&](std::string_view type, std::string_view time, std::string_view body) {
      const std::string typeLine = changed || typeOn304 ? "Content-Type: " + std::string(type) + "\r\n" : "";
      return TScriptedAnswer::Page(status, typeLine + "Last-Modified: " + std::string(time) + "\r\n",
                                   changed ? body : "");
    };
    server.Answer("/site/", page("text/html", kPageTime,
                                 "<a href=\"" + server.Url("/site/sub/p.html") + "\">abs</a><img src=\"img.png\">"));
    server.Answer("/site/img.png", page("image/png", kImageTime, std::string("\x89PNG\r\n\x1a\n\0x", 10)));
    server.Answer("/site/sub/p.html", page("text/html", kPageTime, "<a href=\"../\">back</a><p>sub page</p>"));
    // A HEAD walks redirects and needs a 2xx answer, whatever the GET then hears.
    for (const char* path : {"/site/", "/site/img.png", "/site/sub/p.html"}) {
      server.AnswerMethod("HEAD", path, TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", ""));
    }
    server.AnswerMethod("HEAD", "/site/img.png",
                        TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: image/png\r\n", ""));
  }

  TWebSiteSettings Settings(std::string maxSize = "10000M") {
    TWebSiteSettings settings;
    settings.RobotName = "backup";
    settings.SiteName = "S";
    settings.Sites = {server.Url("/site/")};
    settings.AcceptedTypes = {"*/*"};
    settings.MaxSize = std::move(maxSize);
    return settings;
  }

  // Runs a backup; the master is kept until its end handler so the tab's owner can be checked.
  const void* RunBackup(std::string maxSize = "10000M") {
    auto worker = std::make_unique<TRetrieve>(run.ports, Settings(std::move(maxSize)));
    const void* master = worker.get();
    run.RunToEnd(std::move(worker));
    return master;
  }

  std::filesystem::path Stored(std::string_view relative) const {
    return home.Path() / "website/S/127.0.0.1" / relative;
  }

  test::TTempHome home;
  config::TConfigStore store{home.RobotConfigPath()};
  test::TLoopbackServer server;
  test::TRobotRun run{home.Path()};
};

TEST_F(RetrieveWebThreadTest, StoresTheSiteWithSameHostLinksRewrittenAndTheServersTimes) {
  ServeSite(true);
  const void* master = RunBackup();

  const std::string index = test::ReadFile(Stored("site/index.html"));
  EXPECT_NE(index.find("sub/p.html"), std::string::npos) << index;
  EXPECT_EQ(index.find(server.Url("/site/sub/p.html")), std::string::npos) << index;
  EXPECT_EQ(test::ReadFile(Stored("site/img.png")), std::string("\x89PNG\r\n\x1a\n\0x", 10));
  EXPECT_EQ(test::ReadFile(Stored("site/sub/p.html")), "<a href=\"../\">back</a><p>sub page</p>");
  EXPECT_EQ(FileTime(Stored("site/index.html")), network::ParseHttpDate(kPageTime));
  EXPECT_EQ(FileTime(Stored("site/img.png")), network::ParseHttpDate(kImageTime));
  EXPECT_EQ(FileTime(Stored("site/sub/p.html")), network::ParseHttpDate(kPageTime));

  ASSERT_EQ(run.tabs.Tabs().size(), 1u);
  const base::TTabSheet& tab = *run.tabs.Tabs()[0];
  EXPECT_EQ(tab.Caption, "Web Site: S");
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::WebBrowser);
  EXPECT_EQ(tab.Desc.Owner, master);
  EXPECT_EQ(tab.Content.Url, "file://" + Stored("site/index.html").string());
  // Without archive paths only the page store is written.
  EXPECT_TRUE(run.log.lines.empty());
}

TEST_F(RetrieveWebThreadTest, DocumentsPastTheMaximalSizeAreLoggedOnceAndNotStored) {
  server.Answer("/site/", TScriptedAnswer::Ok(R"(<img src="big.png"><img src="flood.bin"><img src="small.png">)"));
  server.Answer("/site/big.png", TScriptedAnswer::Ok(std::string(101, 'b'), "Content-Type: image/png\r\n"));
  server.Answer("/site/flood.bin", TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\nContent-Type: application/x-bin\r\n\r\n")
                                       .SendRepeated(std::string(64, 'f'), 1024));
  server.Answer("/site/small.png", TScriptedAnswer::Ok(std::string(100, 's'), "Content-Type: image/png\r\n"));
  for (const char* path : {"/site/", "/site/big.png", "/site/flood.bin", "/site/small.png"}) {
    server.AnswerMethod("HEAD", path, TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: image/png\r\n", ""));
  }
  RunBackup("100o");

  EXPECT_THAT(run.log.lines,
              ::testing::UnorderedElementsAre("Document larger than 100 bytes, not kept: " + server.Url("/site/big.png"),
                                              "Document larger than 100 bytes, not kept: " +
                                                  server.Url("/site/flood.bin")));
  EXPECT_EQ(test::ReadFile(Stored("site/small.png")), std::string(100, 's'));
  // Nothing of either, not even a part of the file that streamed.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Stored("site"))) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_THAT(names, ::testing::UnorderedElementsAre("index.html", "small.png"));
}

TEST_F(RetrieveWebThreadTest, SecondBackupOfAnUnchangedSiteKeepsTheStoreAndArchivesTheStoredCopies) {
  ServeSite(true);
  RunBackup();
  const std::string index = test::ReadFile(Stored("site/index.html"));

  const std::filesystem::path mht = home.Path() / "site.mht";
  store.WriteString("backup", "MhtFile", " " + mht.string() + " ");
  ServeSite(false);
  const size_t before = server.Requests().size();
  RunBackup();

  EXPECT_EQ(test::ReadFile(Stored("site/index.html")), index);
  EXPECT_EQ(FileTime(Stored("site/index.html")), network::ParseHttpDate(kPageTime));
  const auto requests = server.Requests();
  for (size_t i = before; i < requests.size(); ++i) {
    if (requests[i].Method() == "GET") {
      EXPECT_TRUE(requests[i].Header("If-Modified-Since")) << requests[i].Target();
    }
  }
  const std::string archive = test::ReadFile(mht);
  // The header names the start page, then come its part and those of the two other files.
  EXPECT_EQ(Count(archive, "Content-Location: "), 4u) << archive;
  EXPECT_NE(archive.find("sub page"), std::string::npos);
  EXPECT_TRUE(archive.ends_with("--------=_frontiere0--\r\n"));
}

TEST_F(RetrieveWebThreadTest, AWarcFileThatCannotBeMadeIsLoggedAndThePageStoreIsStillWritten) {
  ServeSite(true);
  store.WriteString("backup", "WarcFile", "no such folder/site.warc.gz");
  RunBackup();
  const std::filesystem::path warc = home.Path() / "no such folder/site.warc.gz";
  EXPECT_THAT(run.log.lines, ::testing::ElementsAre("Error creating WARC file: " + warc.string()));
  EXPECT_EQ(test::ReadFile(Stored("site/sub/p.html")), "<a href=\"../\">back</a><p>sub page</p>");
  EXPECT_FALSE(std::filesystem::exists(home.Path() / "no such folder"));
}

// The "Content-Type: " lines of an archive, header and parts, in order.
// The type of every part of an archive, by the part's location: the page workers finish their pages
// in any order, so the parts come in any order too.
std::map<std::string, std::string> PartTypes(std::string_view archive) {
  constexpr std::string_view kType = "Content-Type: ";
  constexpr std::string_view kLocation = "Content-Location: ";
  const auto fieldAt = [&archive](size_t at) { return std::string(archive.substr(at, archive.find("\r\n", at) - at)); };
  std::map<std::string, std::string> types;
  for (size_t at = archive.find(kType); at != std::string_view::npos; at = archive.find(kType, at + 1)) {
    const size_t location = archive.find(kLocation, at);
    types[location == std::string_view::npos ? std::string() : fieldAt(location)] = fieldAt(at);
  }
  return types;
}

TEST_F(RetrieveWebThreadTest, SecondBackupAnsweredByTypeless304sArchivesThePartsAsTheFirst) {
  const std::filesystem::path mht = home.Path() / "site.mht";
  store.WriteString("backup", "MhtFile", mht.string());
  ServeSite(true);
  RunBackup();
  const std::string first = test::ReadFile(mht);
  ASSERT_NE(first.find("Content-Type: image/png"), std::string::npos) << first;

  ServeSite(false, false);
  RunBackup();
  const std::string second = test::ReadFile(mht);
  EXPECT_EQ(PartTypes(second), PartTypes(first));
  // The image goes in whole, as base64, and not as truncated text.
  EXPECT_EQ(Count(second, "Content-Transfer-Encoding: base64"), Count(first, "Content-Transfer-Encoding: base64"));
  EXPECT_EQ(test::ReadFile(Stored("site/img.png")), std::string("\x89PNG\r\n\x1a\n\0x", 10));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST_F(RetrieveWebThreadTest, ALargeFileGoesIntoTheArchiveFromTheStoreWithoutBeingHeld) {
  const std::filesystem::path mht = home.Path() / "site.mht";
  store.WriteString("backup", "MhtFile", mht.string());
  const std::string block(64 * 1024, 'z');
  constexpr std::uint64_t kBlocks = 1024;  // 64 MiB
  server.Answer("/site/", TScriptedAnswer::Ok(R"(<a href="big.iso">big</a>)"));
  server.Answer("/site/big.iso", TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
                                     .SendRepeated(block, kBlocks));
  server.AnswerMethod("HEAD", "/site/", TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: text/html\r\n", ""));
  server.AnswerMethod("HEAD", "/site/big.iso",
                      TScriptedAnswer::Page("HTTP/1.1 200 OK", "Content-Type: application/octet-stream\r\n", ""));

  const std::int64_t before = test::PeakResidentBytes();
  RunBackup();
  const std::int64_t growth = test::PeakResidentBytes() - before;

  EXPECT_THAT(run.log.lines, ::testing::IsEmpty());
  EXPECT_EQ(std::filesystem::file_size(Stored("site/big.iso")), kBlocks * block.size());
  // AddressSanitizer keeps freed blocks in quarantine, so its peak says nothing of the archive.
  if (!kSanitized) EXPECT_THAT(growth, ::testing::Le(std::int64_t(32) * 1024 * 1024));
  const std::string archive = test::ReadFile(mht);
  // "zzz" is "enp6" in base64; 64 MiB is one byte past a multiple of three.
  const std::string encoded = test::ReadFile(Stored("site/big.iso")).size() % 3 == 1 ? "eg==" : "";
  const size_t part = archive.find("Content-Location: " + server.Url("/site/big.iso"));
  ASSERT_NE(part, std::string::npos);
  const size_t body = archive.find("\r\n\r\n\r\n", part) + 6;
  const size_t end = archive.find("\r\n", body);
  EXPECT_EQ(end - body, (kBlocks * block.size() + 2) / 3 * 4);
  EXPECT_EQ(archive.substr(body, 8), "enp6enp6");
  EXPECT_EQ(archive.substr(end - 4, 4), encoded);
}

TEST_F(RetrieveWebThreadTest, UnwritableMhtPathIsLoggedAndTheStoreIsComplete) {
  store.WriteString("backup", "MhtFile", (home.Path() / "no such folder" / "a.mht").string());
  ServeSite(true);
  RunBackup();
  EXPECT_EQ(run.log.lines, std::vector<std::string>{std::string(kMhtSaveError)});
  EXPECT_TRUE(std::filesystem::exists(Stored("site/sub/p.html")));
}

}  // namespace
}  // namespace varnelo::retrieval
