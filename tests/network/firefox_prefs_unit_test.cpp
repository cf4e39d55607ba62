#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "network/firefox_profiles.h"
#include "network/network_error.h"
#include "platform/atomic_file.h"

namespace varnelo::network {
namespace {

namespace fs = std::filesystem;

TEST(FirefoxPrefsTest, ParsesTheThreePreferences) {
  const TFirefoxProxy proxy = ParseProxyPrefs({"user_pref(\"network.proxy.http\", \"10.0.0.1\");",
                                               "user_pref(\"network.proxy.http_port\", 03128);",
                                               "user_pref(\"network.proxy.type\", 1);"});
  EXPECT_EQ(proxy.Host, "10.0.0.1");
  EXPECT_EQ(proxy.Port, "3128");
  EXPECT_TRUE(proxy.Enabled);
}

TEST(FirefoxPrefsTest, HostNameGivesEmptyFieldAndLaterLinesWin) {
  const TFirefoxProxy proxy = ParseProxyPrefs({"user_pref(\"network.proxy.type\", 1);",
                                               "user_pref(\"network.proxy.http\", \"proxy.example\");",
                                               "user_pref(\"network.proxy.http_port\", \"x\");",
                                               "user_pref(\"network.proxy.type\", 0);"});
  EXPECT_EQ(proxy.Host, "");
  EXPECT_EQ(proxy.Port, "0");
  EXPECT_FALSE(proxy.Enabled);
}

TEST(FirefoxPrefsTest, ReplacesAndAppendsInOrder) {
  const auto lines = WithProxyPrefs({"// c", "user_pref(\"network.proxy.type\", 5);", "x"}, {"1.2.3.4", "81", true});
  EXPECT_EQ(lines, (std::vector<std::string>{"// c", "user_pref(\"network.proxy.type\", 1);", "x",
                                             "user_pref(\"network.proxy.http\", \"1.2.3.4\");",
                                             "user_pref(\"network.proxy.http_port\", 81);"}));
}

class FirefoxFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("varnelo-firefox-unit-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "abc.default");
  }
  void TearDown() override { fs::remove_all(folder_); }
  void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
  fs::path folder_;
};

TEST_F(FirefoxFolderTest, ListsProfilesAndSavesWithCrLf) {
  Write(folder_ / "profiles.ini",
        "[General]\nStartWithLastProfile=1\n\n[Profile1]\nName=other\nIsRelative=0\nPath=" +
            (folder_ / "abc.default").string() + "\n\n[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\nDefault=1\n");
  const auto profiles = ReadFirefoxProfiles(folder_);
  ASSERT_EQ(profiles.size(), 2u);
  EXPECT_EQ(profiles[0].Name, "Profile1");
  EXPECT_EQ(profiles[1].Name, "Profile0");
  EXPECT_EQ(DefaultProfileIndex(profiles), 1u);
  EXPECT_EQ(PrefsFile(folder_, profiles[1]), folder_ / "abc.default" / "prefs.js");
  EXPECT_EQ(PrefsFile(folder_, profiles[0]), folder_ / "abc.default" / "prefs.js");

  Write(folder_ / "abc.default" / "prefs.js", "a\rb\nuser_pref(\"network.proxy.http_port\", 8080);\r\n");
  EXPECT_EQ(LoadProfileInfo(folder_, "Profile0").Port, "8080");
  SaveProfileInfo(folder_, "Profile0", {"5.6.7.8", "3128", false});
  EXPECT_EQ(platform::ReadWholeFile(folder_ / "abc.default" / "prefs.js"),
            "a\r\nb\r\nuser_pref(\"network.proxy.http_port\", 3128);\r\n"
            "user_pref(\"network.proxy.http\", \"5.6.7.8\");\r\nuser_pref(\"network.proxy.type\", 0);\r\n");
  const TFirefoxProxy back = LoadProfileInfo(folder_, "Profile0");
  EXPECT_EQ(back.Host, "5.6.7.8");
  EXPECT_EQ(back.Port, "3128");
  EXPECT_FALSE(back.Enabled);
}

TEST_F(FirefoxFolderTest, MissingFilesGiveEmptyListOrErrors) {
  EXPECT_TRUE(ReadFirefoxProfiles(folder_).empty());
  Write(folder_ / "profiles.ini", "[Profile0]\nIsRelative=1\nPath=missing\n");
  EXPECT_THROW(LoadProfileInfo(folder_, "Profile0"), EFirefoxPrefsError);
  EXPECT_THROW(SaveProfileInfo(folder_, "Profile0", {}), EFirefoxPrefsError);
  EXPECT_FALSE(fs::exists(folder_ / "missing" / "prefs.js"));
  EXPECT_THROW(LoadProfileInfo(folder_, "Nope"), EFirefoxPrefsError);
}

}  // namespace
}  // namespace varnelo::network
