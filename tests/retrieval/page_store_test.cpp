#include "retrieval/page_store.h"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "retrieval/store_paths.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

namespace fs = std::filesystem;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::StartsWith;

using TSave = std::function<bool(const fs::path&, const url&, std::string_view, std::string_view, std::time_t)>;

struct TSaveOperation {
  const char* name;
  TSave save;
  bool logsFailures;
};

void PrintTo(const TSaveOperation& operation, std::ostream* os) { *os << operation.name; }

url Parsed(std::string_view text) {
  url record;
  EXPECT_EQ(ParseUrl(text, record), TUrlParseResult::NoError) << text;
  return record;
}

struct stat StatOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
  return info;
}

std::vector<std::string> FilesBelow(const fs::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_directory()) files.push_back(entry.path().lexically_relative(folder).generic_string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

class PageStoreTest : public ::testing::TestWithParam<TSaveOperation> {
protected:
  bool Save(std::string_view link, std::string_view bytes, std::time_t lastModified) {
    return GetParam().save(home_.Path(), Parsed(link), bytes, "S", lastModified);
  }
  fs::path Site() const { return home_.Path() / "website" / "S"; }
  fs::path ErrorLog() const { return home_.Path() / kErrorSavingLog; }

  test::TTempDir home_;
};

// Sun, 06 Nov 1994 08:49:37 GMT
constexpr std::time_t kLastModified = 784111777;

TEST_P(PageStoreTest, StoresTheBytesAsTheyAreWithTheServersTime) {
  const std::string bytes("<p>a\r\nb\0\xff", 10);
  ASSERT_TRUE(Save("http://h/a/b%20c/d.html?q=1", bytes, kLastModified));
  const fs::path file = Site() / "h/a/b c/d.html";
  EXPECT_EQ(test::ReadFile(file), bytes);
  const struct stat info = StatOf(file);
  EXPECT_EQ(info.st_mtim.tv_sec, kLastModified);
  EXPECT_EQ(info.st_mode & 0111, 0u) << "a stored file is never executable";
  EXPECT_THAT(FilesBelow(home_.Path()), ElementsAre("website/S/h/a/b c/d.html")) << "no temporary file is left";
}

TEST_P(PageStoreTest, EmptyFileNameIsTheIndex) {
  ASSERT_TRUE(Save("http://h", "root", kLastModified));
  ASSERT_TRUE(Save("http://h/d/", "d", kLastModified));
  EXPECT_EQ(test::ReadFile(Site() / "h/index.html"), "root");
  EXPECT_EQ(test::ReadFile(Site() / "h/d/index.html"), "d");
}

TEST_P(PageStoreTest, ReplacesTheStoredCopyWhole) {
  ASSERT_TRUE(Save("http://h/p.html", "a longer first version", kLastModified));
  ASSERT_TRUE(Save("http://h/p.html", "short", kLastModified + 3600));
  const fs::path file = Site() / "h/p.html";
  EXPECT_EQ(test::ReadFile(file), "short");
  EXPECT_EQ(StatOf(file).st_mtim.tv_sec, kLastModified + 3600);
}

TEST_P(PageStoreTest, NoServerTimeGivesTheEpoch) {
  ASSERT_TRUE(Save("http://h/p.html", "x", 0));
  EXPECT_EQ(StatOf(Site() / "h/p.html").st_mtim.tv_sec, 0);
}

TEST_P(PageStoreTest, NothingIsWrittenOutsideTheSiteFolder) {
  for (const char* link : {"http://h/..%2F..%2F..%2Fescape", "http://h/a%2F..%2F..%2F..%2Fescape",
                           "http://../escape", "http://h/%252E%252E/%252E%252E/%252E%252E/escape"}) {
    EXPECT_TRUE(Save(link, "x", kLastModified)) << link;
  }
  EXPECT_THAT(FilesBelow(home_.Path()), Each(StartsWith("website/S/")));
  EXPECT_FALSE(fs::exists(home_.Path() / "escape"));
  EXPECT_FALSE(fs::exists(home_.Path() / "website/escape"));
}

// Two URLs that differ by their query share a store path, so two workers can store it at once; the
// file is then one of the two copies, never a mix or a part.
TEST_P(PageStoreTest, ConcurrentWritersOfOnePathLeaveOneWholeCopy) {
  constexpr int kWriters = 4;
  std::vector<std::string> copies;
  for (int i = 0; i < kWriters; ++i) copies.push_back(std::string(100000 + i, static_cast<char>('a' + i)));
  std::vector<std::thread> writers;
  for (int i = 0; i < kWriters; ++i) {
    writers.emplace_back([&, i] {
      for (int round = 0; round < 10; ++round) {
        EXPECT_TRUE(Save("http://h/p?w=" + std::to_string(i), copies[static_cast<size_t>(i)], kLastModified));
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_THAT(copies, ::testing::Contains(test::ReadFile(Site() / "h/p")));
  EXPECT_THAT(FilesBelow(home_.Path()), ElementsAre("website/S/h/p"));
}

TEST_P(PageStoreTest, AFileThatCannotBeCreatedFails) {
  // A file where the page's folder belongs.
  fs::create_directories(Site());
  test::WriteFile(Site() / "h", "in the way");
  test::WriteFile(ErrorLog(), "earlier\r\n");

  EXPECT_FALSE(Save("http://h/a.html", "x", kLastModified));
  EXPECT_FALSE(Save("http://h/d/", "x", kLastModified));

  const std::string logged = GetParam().logsFailures ? "Error writing to " + Site().string() + "/h/a.html\r\n" +
                                                           "Error writing to " + Site().string() + "/h/d/index.html\r\n"
                                                     : "";
  EXPECT_EQ(test::ReadFile(ErrorLog()), "earlier\r\n" + logged);
  EXPECT_EQ(test::ReadFile(Site() / "h"), "in the way");
}

TEST_P(PageStoreTest, AFolderInThePlaceOfTheFileIsKept) {
  ASSERT_TRUE(Save("http://h/a/b.html", "b", kLastModified));
  EXPECT_FALSE(Save("http://h/a", "a", kLastModified));
  EXPECT_EQ(test::ReadFile(Site() / "h/a/b.html"), "b");
  EXPECT_EQ(fs::exists(ErrorLog()), GetParam().logsFailures);
}

INSTANTIATE_TEST_SUITE_P(Operations, PageStoreTest,
                         ::testing::Values(TSaveOperation{"SaveTextToStore", SaveTextToStore, false},
                                           TSaveOperation{"SaveStreamToStore", SaveStreamToStore, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ErrorSavingLogTest, IsCreatedWhenMissingAndKeepsEveryLineWholeUnderConcurrentFailures) {
  test::TTempDir home;
  fs::create_directories(home.Path() / "website/S");
  test::WriteFile(home.Path() / "website/S/h", "in the way");
  constexpr int kThreads = 6;
  constexpr int kFailures = 20;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFailures; ++i) {
        EXPECT_FALSE(SaveStreamToStore(home.Path(), Parsed("http://h/t" + std::to_string(t)), "x", "S", 0));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  const std::string log = test::ReadFile(home.Path() / kErrorSavingLog);
  std::map<std::string, int> lines;
  size_t start = 0;
  for (size_t end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
    ++lines[log.substr(start, end - start)];
  }
  EXPECT_EQ(start, log.size()) << "the log ends with a whole line";
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads));
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(lines["Error writing to " + (home.Path() / "website/S/h/t").string() + std::to_string(t)], kFailures);
  }
}

}  // namespace
}  // namespace varnelo::retrieval
