#include "retrieval/zip_packer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <zip.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::Key;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

struct TEntry {
  std::string data;
  std::string compressed;  // the bytes as they stand in the archive
  std::time_t mtime = 0;
  bool operator==(const TEntry&) const = default;
};

std::string ReadEntry(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
  std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive, index, flags), zip_fclose);
  EXPECT_NE(file, nullptr);
  if (!file) return {};
  std::string data;
  char buffer[4096];
  for (zip_int64_t got; (got = zip_fread(file.get(), buffer, sizeof buffer)) > 0;) data.append(buffer, got);
  return data;
}

// Every entry of the archive by its raw name.
std::map<std::string, TEntry> Entries(const fs::path& zipPath) {
  int error = 0;
  std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(zipPath.c_str(), ZIP_RDONLY, &error), zip_discard);
  EXPECT_NE(archive, nullptr) << "libzip error " << error;
  std::map<std::string, TEntry> entries;
  if (!archive) return entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t stat;
    zip_stat_init(&stat);
    EXPECT_EQ(zip_stat_index(archive.get(), index, ZIP_FL_ENC_RAW, &stat), 0);
    entries[stat.name] = {ReadEntry(archive.get(), index, 0), ReadEntry(archive.get(), index, ZIP_FL_COMPRESSED),
                          stat.mtime};
  }
  return entries;
}

void SetLastWriteTime(const fs::path& file, std::time_t instant) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, {instant, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
}

struct stat StatOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
  return info;
}

// Sun, 06 Nov 1994 08:49:37 GMT: an odd second, which a zip entry cannot hold.
constexpr std::time_t kOddSecond = 784111777;
// 02:30 on 29 October 2023 in Paris, once in summer time and once again an hour later in winter time.
constexpr std::time_t kFirstHalfPastTwo = 1698539400;
constexpr std::time_t kSecondHalfPastTwo = 1698543000;

class ZipPackerTest : public ::testing::Test {
protected:
  // Local time with summer time, where zip times are the least forgiving.
  ZipPackerTest() {
    environment_.Set("TZ", "Europe/Paris");
    ::tzset();
    Put("h/index.html", "<html>start</html>", kOddSecond);
    Put("h/d e/\xc3\xbc%3A.html", "spaces, UTF-8 and an escape", kFirstHalfPastTwo);
    Put("h/img/a.png", std::string("\x89PNG\0\x01", 6), 0);  // no Last-Modified: the epoch
    Put("h/late.css", "p {}", kSecondHalfPastTwo);
  }

  void Put(const std::string& name, const std::string& content, std::time_t instant) {
    const fs::path file = site_ / name;
    fs::create_directories(file.parent_path());
    test::WriteFile(file, content);
    SetLastWriteTime(file, instant);
  }

  struct TRestoreTimeZone {
    ~TRestoreTimeZone() { ::tzset(); }
  } restoreTimeZone_;  // after the environment is restored
  test::TScopedEnvironment environment_;
  test::TTempDir root_;
  const fs::path site_ = root_.Path() / "website" / "S";
  const fs::path zip_ = root_.Path() / "S.zip";
};

TEST_F(ZipPackerTest, PacksEveryFileUnderTheSiteName) {
  ASSERT_TRUE(PackSiteCopy(zip_, site_));
  const auto entries = Entries(zip_);
  EXPECT_THAT(entries, UnorderedElementsAre(Key("S/h/index.html"), Key("S/h/d e/\xc3\xbc%3A.html"),
                                            Key("S/h/img/a.png"), Key("S/h/late.css")));
  EXPECT_EQ(entries.at("S/h/index.html").data, "<html>start</html>");
  EXPECT_EQ(entries.at("S/h/d e/\xc3\xbc%3A.html").data, "spaces, UTF-8 and an escape");
  EXPECT_EQ(entries.at("S/h/img/a.png").data, std::string("\x89PNG\0\x01", 6));
  EXPECT_EQ(entries.at("S/h/index.html").mtime, kOddSecond - 1) << "zip times have even seconds";
  EXPECT_EQ(test::ReadFile(zip_).substr(0, 4), "PK\x03\x04");
}

TEST_F(ZipPackerTest, ASiteFolderNamedWithATrailingSlashPacksTheSame) {
  ASSERT_TRUE(PackSiteCopy(zip_, site_.string() + "/"));
  EXPECT_THAT(Entries(zip_), Contains(Key("S/h/index.html")));
}

// Odd seconds, dates before 1980 and the hour that summer time repeats all read back from a zip
// otherwise than they were: none of them makes an unchanged copy look newer.
TEST_F(ZipPackerTest, AnUnchangedCopyLeavesTheArchiveAlone) {
  ASSERT_TRUE(PackSiteCopy(zip_, site_));
  const struct stat before = StatOf(zip_);
  const auto entries = Entries(zip_);
  ASSERT_TRUE(PackSiteCopy(zip_, site_));
  const struct stat after = StatOf(zip_);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the archive was written again";
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(Entries(zip_), entries);
}

TEST_F(ZipPackerTest, AnUpdateAddsNewFilesReplacesChangedOnesAndKeepsTheOthers) {
  ASSERT_TRUE(PackSiteCopy(zip_, site_));
  const auto first = Entries(zip_);

  Put("h/new page.html", "new", kOddSecond);                            // new
  Put("h/index.html", "<html>changed</html>", kOddSecond + 3600);      // newer
  Put("h/img/a.png", std::string("\x89PNG\0\x02", 6), 0);            // no time at all, same size
  Put("h/late.css", "q {}", kSecondHalfPastTwo + 1);                    // within the same two seconds
  SetLastWriteTime(site_ / "h/d e/\xc3\xbc%3A.html", kFirstHalfPastTwo - 600);  // older, same content

  ASSERT_TRUE(PackSiteCopy(zip_, site_));
  const auto second = Entries(zip_);
  EXPECT_THAT(second, UnorderedElementsAre(Key("S/h/index.html"), Key("S/h/d e/\xc3\xbc%3A.html"),
                                           Key("S/h/img/a.png"), Key("S/h/late.css"), Key("S/h/new page.html")));
  EXPECT_EQ(second.at("S/h/new page.html").data, "new");
  EXPECT_EQ(second.at("S/h/index.html").data, "<html>changed</html>");
  EXPECT_EQ(second.at("S/h/index.html").mtime, kOddSecond + 3600 - 1);
  EXPECT_EQ(second.at("S/h/img/a.png").data, std::string("\x89PNG\0\x02", 6));
  EXPECT_EQ(second.at("S/h/late.css").data, "q {}");
  // Kept as it was, time included: it was not added again.
  EXPECT_EQ(second.at("S/h/d e/\xc3\xbc%3A.html"), first.at("S/h/d e/\xc3\xbc%3A.html"));
}

TEST_F(ZipPackerTest, AnArchiveThatCannotBeWrittenFails) {
  test::WriteFile(root_.Path() / "file", "not a folder");
  EXPECT_FALSE(PackSiteCopy(root_.Path() / "file" / "S.zip", site_));
  EXPECT_FALSE(PackSiteCopy(root_.Path() / "no such folder" / "S.zip", site_));
}

TEST_F(ZipPackerTest, AFileThatIsNotAnArchiveIsLeftAlone) {
  test::WriteFile(zip_, "some text");
  EXPECT_FALSE(PackSiteCopy(zip_, site_));
  EXPECT_EQ(test::ReadFile(zip_), "some text");
}

TEST_F(ZipPackerTest, AMissingSiteFolderFails) {
  EXPECT_FALSE(PackSiteCopy(zip_, root_.Path() / "website" / "other"));
  EXPECT_FALSE(fs::exists(zip_));
}

TEST_F(ZipPackerTest, AnArchiveInsideTheCopyIsNotPackedIntoItself) {
  const fs::path inside = site_ / "S.zip";
  ASSERT_TRUE(PackSiteCopy(inside, site_));
  ASSERT_TRUE(PackSiteCopy(inside, site_));
  EXPECT_THAT(Entries(inside), Not(Contains(Key("S/S.zip"))));
}

}  // namespace
}  // namespace varnelo::retrieval
