// A real site that no one here wrote: the Apache HTTP Server manual from Debian, served by nginx.

#include <gtest/gtest.h>

#include <zip.h>

#include <chrono>
#include <fstream>
#include <map>
#include <regex>

#include "network/host_guard.h"
#include "network/network_fixture.h"
#include "parsing/html_parser.h"
#include "retrieval/retrieve_web_thread.h"
#include "retrieval/search_web_thread.h"
#include "support/nginx_server.h"
#include "support/robot_run.h"
#include "support/site_oracle.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

const std::filesystem::path kManual = "/usr/share/doc/apache2-doc/manual";
// The backup takes the English manual: an MHT archive holds at most 1022 parts, fewer than the manual
// has files in all its languages.
constexpr std::string_view kBackupStart = "en/";
constexpr std::string_view kSite = "manual";
constexpr std::string_view kPhrase = "Dynamic Shared Object";

struct TStoredFile {
  std::string bytes;
  std::filesystem::file_time_type time;
  bool operator==(const TStoredFile&) const = default;
};

class SiteBackupEndToEndTest : public network::NetworkTest {
protected:
  void SetUp() override {
    if (!test::TNginxServer::Unavailable().empty()) GTEST_SKIP() << test::TNginxServer::Unavailable();
    if (!std::filesystem::is_regular_file(kManual / kBackupStart / "index.html")) {
      GTEST_SKIP() << "the apache2-doc manual is not installed at " << kManual;
    }
    nginx_ = std::make_unique<test::TNginxServer>(kManual, "/manual/");
  }

  // `start` is relative to the manual's folder: "" or "en/".
  TWebSiteSettings Settings(std::string_view start) const {
    TWebSiteSettings settings;
    settings.RobotName = "manual backup";
    settings.SiteName = kSite;
    settings.Sites = {nginx_->Url("/manual/" + std::string(start))};
    settings.AcceptedTypes = {"*/*"};
    settings.MaxSize = "10000M";
    settings.Keywords = kPhrase;
    return settings;
  }

  std::filesystem::path StoreRoot() const {
    return home_.Path() / "website" / kSite / "127.0.0.1" / "manual" / kBackupStart;
  }

  // Every file of the page store copy, relative to the manual's folder.
  std::map<std::string, TStoredFile> StoredFiles() const {
    std::map<std::string, TStoredFile> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(StoreRoot())) {
      if (!entry.is_regular_file()) continue;
      files[std::filesystem::relative(entry.path(), StoreRoot()).string()] = {test::ReadFile(entry.path()),
                                                                              entry.last_write_time()};
    }
    return files;
  }

  // The statuses nginx answered GET requests with, in the order of its access log, from line `from`.
  std::vector<int> GetStatuses(size_t from) const {
    std::ifstream log(nginx_->AccessLog());
    const std::regex getLine(R"re("GET [^"]*" (\d{3}) )re");
    std::vector<int> statuses;
    size_t number = 0;
    for (std::string line; std::getline(log, line); ++number) {
      std::smatch match;
      if (number >= from && std::regex_search(line, match, getLine)) statuses.push_back(std::stoi(match[1]));
    }
    return statuses;
  }

  size_t AccessLogLines() const {
    std::ifstream log(nginx_->AccessLog());
    size_t lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    return lines;
  }

  test::TTempHome home_;
  std::unique_ptr<test::TNginxServer> nginx_;
  test::TRobotRun run_{home_.Path()};
};

// The names of the entries of a zip archive.
std::set<std::string> ZipEntries(const std::filesystem::path& archive) {
  std::set<std::string> names;
  int error = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr) return names;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) names.insert(zip_get_name(zip, i, 0));
  zip_discard(zip);
  return names;
}

TEST_F(SiteBackupEndToEndTest, BackupStoresEveryReachablePageRewritesToStoredFilesAndIsRefreshedBy304) {
  const std::filesystem::path mht = home_.Path() / "manual.mht";
  const std::filesystem::path zip = home_.Path() / "manual.zip";
  const config::TConfigStore store(home_.RobotConfigPath());
  store.WriteString("manual backup", "MhtFile", mht.string());
  store.WriteString("manual backup", "zipFile", zip.string());
  const std::uint64_t refusedBefore = network::RefusedHostCount();

  run_.RunToEnd(std::make_unique<TRetrieve>(run_.ports, Settings(kBackupStart)));

  // Every page reachable from the start page is stored (the start page itself as index.html).
  const std::map<std::string, TStoredFile> stored = StoredFiles();
  const std::set<std::string> reachable =
      test::ReachableFiles(kManual / kBackupStart, "http://h/manual/" + std::string(kBackupStart));
  std::vector<std::string> missing;
  for (const std::string& file : reachable) {
    if (!stored.contains(file)) missing.push_back(file);
  }
  EXPECT_TRUE(missing.empty()) << missing.size() << " of " << reachable.size() << " missing, first "
                               << (missing.empty() ? "" : missing.front());

  // Every link that the backup changed names a file of the store.
  size_t rewritten = 0;
  for (const auto& [file, copy] : stored) {
    if (!file.ends_with(".html")) continue;
    const std::vector<test::TPageLink> original = test::PageLinks(test::ReadFile(kManual / kBackupStart / file));
    const std::vector<test::TPageLink> written = test::PageLinks(copy.bytes);
    ASSERT_EQ(original.size(), written.size()) << file;
    for (size_t i = 0; i < written.size(); ++i) {
      if (written[i] == original[i]) continue;
      ++rewritten;
      std::string target = written[i].value.substr(0, written[i].value.find_first_of("#?"));
      if (target.empty() || target.ends_with('/')) target += "index.html";
      const std::filesystem::path named = (StoreRoot() / file).parent_path() / test::PercentDecoded(target);
      EXPECT_TRUE(std::filesystem::is_regular_file(named)) << file << ": " << written[i].value;
    }
  }
  EXPECT_GT(rewritten, 0u);

  // The manual links all over the web: those links were tried, refused, and sent nowhere.
  EXPECT_GT(network::RefusedHostCount(), refusedBefore);

  // Both archives hold every stored file.
  const std::string archive = test::ReadFile(mht);
  const std::set<std::string> entries = ZipEntries(zip);
  for (const auto& [file, copy] : stored) {
    EXPECT_TRUE(entries.contains(std::string(kSite) + "/127.0.0.1/manual/" + std::string(kBackupStart) + file)) << file;
  }
  for (const auto& [file, copy] : stored) {
    const std::string url = nginx_->Url("/manual/" + std::string(kBackupStart) + file);
    EXPECT_NE(archive.find("\r\nContent-Location: " + url + "\r\n"), std::string::npos) << url;
  }
  EXPECT_TRUE(archive.ends_with("--------=_frontiere0--\r\n"));

  // A second backup of the unchanged site gets only 304 answers and leaves the store as it was.
  const size_t logLines = AccessLogLines();
  run_.RunToEnd(std::make_unique<TRetrieve>(run_.ports, Settings(kBackupStart)));
  const std::vector<int> statuses = GetStatuses(logLines);
  EXPECT_FALSE(statuses.empty());
  EXPECT_TRUE(std::all_of(statuses.begin(), statuses.end(), [](int status) { return status == 304; }));
  EXPECT_EQ(StoredFiles(), stored);
}

TEST_F(SiteBackupEndToEndTest, KeywordSearchListsExactlyThePagesThatHoldThePhrase) {
  std::set<std::string> expected;
  const std::set<std::string> reachable = test::ReachableFiles(kManual, "http://h/manual/");
  for (const std::string& file : test::PagesWithText(kManual, reachable, kPhrase)) {
    expected.insert(file == "index.html" ? nginx_->Url("/manual/") : nginx_->Url("/manual/" + file));
  }
  ASSERT_FALSE(expected.empty());

  run_.RunToEnd(std::make_unique<TSearchWebThread>(run_.ports, Settings("")));

  ASSERT_EQ(run_.tabs.Tabs().size(), 1u);
  std::set<std::string> listed;
  std::set<std::pair<std::string, std::filesystem::path>> pages;
  for (const base::TListRow& row : run_.tabs.Tabs()[0]->Content.Rows) {
    listed.insert(row.Caption);
    pages.emplace(row.Caption, row.ResultFile);
  }
  EXPECT_EQ(listed, expected);
  // The same page in several languages has URLs that share a hash; each still has its own result page.
  std::set<std::filesystem::path> files;
  for (const auto& [url, file] : pages) files.insert(file);
  EXPECT_EQ(files.size(), listed.size());
}

}  // namespace
}  // namespace varnelo::retrieval
