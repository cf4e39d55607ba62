#include "platform/home_directory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "support/temp_home.h"

namespace varnelo::platform {
namespace {
namespace fs = std::filesystem;

// Sets or clears an environment variable for the life of the object.
class TScopedEnv {
public:
  TScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~TScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

struct TResolveCase {
  const char* name;
  const char* commandLine;
  const char* varneloHome;
  const char* xdgDataHome;
  const char* home;
  const char* expected;
};

class ResolveHomeTest : public ::testing::TestWithParam<TResolveCase> {};

TEST_P(ResolveHomeTest, ChoosesByPrecedence) {
  const TResolveCase& c = GetParam();
  TScopedEnv varnelo("VARNELO_HOME", c.varneloHome);
  TScopedEnv xdg("XDG_DATA_HOME", c.xdgDataHome);
  TScopedEnv home("HOME", c.home);
  const auto commandLine = c.commandLine ? std::optional<fs::path>(c.commandLine) : std::nullopt;
  EXPECT_EQ(ResolveHome(commandLine), fs::path(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveHomeTest,
    ::testing::Values(TResolveCase{"commandLineFirst", "/cli", "/env", "/xdg", "/u", "/cli"},
                      TResolveCase{"thenVarneloHome", nullptr, "/env", "/xdg", "/u", "/env"},
                      TResolveCase{"thenXdgDataHome", nullptr, nullptr, "/xdg", "/u", "/xdg/varnelo"},
                      TResolveCase{"emptyValuesIgnored", nullptr, "", "", "/u", "/u/.local/share/varnelo"},
                      TResolveCase{"relativeXdgIgnored", nullptr, nullptr, "rel", "/u", "/u/.local/share/varnelo"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResolveHomeTest, RelativeCommandLineIsMadeAbsolute) {
  EXPECT_EQ(ResolveHome(fs::path("some/dir")), fs::current_path() / "some/dir");
}

TEST(ResolveHomeTest, NothingToGoOnIsAnError) {
  TScopedEnv varnelo("VARNELO_HOME", nullptr);
  TScopedEnv xdg("XDG_DATA_HOME", nullptr);
  TScopedEnv home("HOME", nullptr);
  EXPECT_THROW(ResolveHome(std::nullopt), EHomeError);
}

TEST(EnsureHomeTest, MissingHomeIsMadeFromTheTemplate) {
  test::TTempDir dir;
  const fs::path home = dir.Path() / "a" / "b";
  EXPECT_TRUE(EnsureHome(home, FindTemplate()));
  EXPECT_TRUE(test::ReadFile(home / "robotconfig.ini").starts_with("[general]\r\nnextrobot=1\r\n[dictionary]\r\n"));
  EXPECT_EQ(test::ReadFile(home / "Category.ini"), "[General]\r\niconfile=google.ico\r\n");
  for (std::string_view file : {"license.txt", "postproxy.html", "favicon/google.ico", "help/index.html"}) {
    EXPECT_EQ(test::ReadFile(home / file), test::ReadFile(FindTemplate() / file)) << file;
  }
  for (std::string_view folder : kInstallationFolders) EXPECT_TRUE(fs::is_directory(home / folder)) << folder;
}

TEST(EnsureHomeTest, EmptyFolderIsFilled) {
  test::TTempDir dir;
  EXPECT_TRUE(EnsureHome(dir.Path(), FindTemplate()));
  EXPECT_TRUE(fs::exists(dir.Path() / "robotconfig.ini"));
}

TEST(EnsureHomeTest, ExistingHomeIsNeverTouched) {
  test::TTempDir dir;
  test::WriteFile(dir.Path() / "robotconfig.ini", "[mine]\r\n");
  EXPECT_FALSE(EnsureHome(dir.Path(), FindTemplate()));
  EXPECT_EQ(test::ReadFile(dir.Path() / "robotconfig.ini"), "[mine]\r\n");
  EXPECT_FALSE(fs::exists(dir.Path() / "Category.ini"));
  EXPECT_FALSE(fs::exists(dir.Path() / "website"));
}

TEST(EnsureHomeTest, UnusableHomesAreReported) {
  test::TTempDir dir;
  test::WriteFile(dir.Path() / "file", "x");
  EXPECT_THROW(EnsureHome(dir.Path() / "file", FindTemplate()), EHomeError);
  EXPECT_THROW(EnsureHome(dir.Path() / "file" / "below", FindTemplate()), EHomeError);
}

}  // namespace
}  // namespace varnelo::platform
