#include "platform/trash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "support/temp_home.h"

namespace varnelo::platform {
namespace {
namespace fs = std::filesystem;

// 2024-03-05 06:07:08 UTC.
constexpr std::time_t kDeletionTime = 1709618828;

class TrashTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr) oldTz_ = tz;
    hadTz_ = tz != nullptr;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      ::setenv("TZ", oldTz_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

  fs::path Trash() const { return dir_.Path() / "data" / "Trash"; }

  test::TTempDir dir_;
  std::string oldTz_;
  bool hadTz_ = false;
};

TEST_F(TrashTest, InfoTextEncodesThePathAndGivesTheLocalDeletionDate) {
  EXPECT_EQ(TrashInfoText("/home/u/a b/%é#?.url", kDeletionTime),
            "[Trash Info]\nPath=/home/u/a%20b/%25%C3%A9%23%3F.url\nDeletionDate=2024-03-05T06:07:08\n");
}

TEST_F(TrashTest, MovesTheFileAndWritesItsInfo) {
  const fs::path file = dir_.Path() / "x y.url";
  test::WriteFile(file, "content");
  const TTrashedFile trashed = MoveToTrash(file, Trash(), kDeletionTime);

  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(trashed.file, Trash() / "files" / "x y.url");
  EXPECT_EQ(test::ReadFile(trashed.file), "content");
  EXPECT_EQ(trashed.info, Trash() / "info" / "x y.url.trashinfo");
  EXPECT_EQ(test::ReadFile(trashed.info), TrashInfoText(file.string(), kDeletionTime));
  EXPECT_EQ(fs::status(Trash() / "files").permissions(), fs::perms::owner_all);
}

TEST_F(TrashTest, GivesClashingNamesANumber) {
  for (const char* folder : {"a", "b", "c"}) {
    fs::create_directories(dir_.Path() / folder);
    test::WriteFile(dir_.Path() / folder / "same.url", folder);
  }
  // An orphan in files/ without its info file also takes the name.
  fs::create_directories(Trash() / "files");
  test::WriteFile(Trash() / "files" / "same.url.3", "orphan");

  EXPECT_EQ(MoveToTrash(dir_.Path() / "a" / "same.url", Trash()).file.filename(), "same.url");
  EXPECT_EQ(MoveToTrash(dir_.Path() / "b" / "same.url", Trash()).file.filename(), "same.url.2");
  const TTrashedFile third = MoveToTrash(dir_.Path() / "c" / "same.url", Trash());
  EXPECT_EQ(third.file.filename(), "same.url.4");
  EXPECT_EQ(third.info.filename(), "same.url.4.trashinfo");
  EXPECT_EQ(test::ReadFile(third.file), "c");
  EXPECT_EQ(test::ReadFile(Trash() / "files" / "same.url.2"), "b");
}

TEST_F(TrashTest, MovesAFolderWithItsContent) {
  fs::create_directories(dir_.Path() / "folder" / "sub");
  test::WriteFile(dir_.Path() / "folder" / "sub" / "f", "f");
  const TTrashedFile trashed = MoveToTrash(dir_.Path() / "folder", Trash());
  EXPECT_FALSE(fs::exists(dir_.Path() / "folder"));
  EXPECT_EQ(test::ReadFile(trashed.file / "sub" / "f"), "f");
}

TEST_F(TrashTest, AMissingFileFailsAndLeavesNoInfo) {
  try {
    MoveToTrash(dir_.Path() / "absent", Trash());
    FAIL() << "no error";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
  }
  EXPECT_FALSE(fs::exists(Trash() / "info" / "absent.trashinfo"));
}

TEST_F(TrashTest, HomeTrashFollowsXdgDataHome) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(HomeTrashDirectory(), fs::path("/data/home/Trash"));
  ::setenv("XDG_DATA_HOME", "relative", 1);
  const char* home = std::getenv("HOME");
  if (home != nullptr && fs::path(home).is_absolute()) {
    EXPECT_EQ(HomeTrashDirectory(), fs::path(home) / ".local/share/Trash");
  }
  if (old) {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace varnelo::platform
