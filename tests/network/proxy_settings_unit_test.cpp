#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "config/config_store.h"
#include "network/host_guard.h"
#include "network/internet_settings.h"
#include "network/network_error.h"

namespace varnelo::network {
namespace {

TClientProxy Resolve(std::string server, bool enable = true, std::string user = "", std::string pass = "") {
  return ResolveClientProxy(TInternetSettings{enable, std::move(server), std::move(user), std::move(pass)});
}

TEST(ProxySettingsTest, OneEntryForAllSchemes) {
  const TClientProxy proxy = Resolve("p:3128", true, "u", "w");
  EXPECT_EQ(proxy.Host, "p");
  EXPECT_EQ(proxy.Port, "3128");
  EXPECT_EQ(proxy.User, "u");
  EXPECT_EQ(proxy.Pass, "w");
}

TEST(ProxySettingsTest, FirstHttpEntry) {
  const TClientProxy proxy = Resolve("ftp=a:21;http=b:8080;http=c:1");
  EXPECT_EQ(proxy.Host, "b");
  EXPECT_EQ(proxy.Port, "8080");
}

TEST(ProxySettingsTest, NotEnabledGivesDefaults) {
  const TClientProxy proxy = Resolve("ftp=a:21;http=b:8080", false, "u", "w");
  EXPECT_EQ(proxy.Host, "");
  EXPECT_EQ(proxy.Port, "8080");
  EXPECT_EQ(proxy.User, "");
  EXPECT_EQ(proxy.Pass, "");
}

TEST(ProxySettingsTest, NoHttpEntryGivesNoHost) {
  EXPECT_EQ(Resolve("https=c:443").Host, "");
  EXPECT_EQ(Resolve("").Host, "");
  EXPECT_EQ(Resolve("HTTP=c:1").Host, "");   // the scheme's case matters
  EXPECT_EQ(Resolve("a=b=c;d:2").Host, "d");  // more than two pieces: skipped
}

TEST(ProxySettingsTest, AbsentPortIsZero) { EXPECT_EQ(Resolve("p").Port, "0"); }

TEST(ProxySettingsTest, BracketedIpv6) {
  const TClientProxy proxy = Resolve("http=[::1]:3128");
  EXPECT_EQ(proxy.Host, "::1");
  EXPECT_EQ(proxy.Port, "3128");
}

TEST(ProxySettingsTest, PortThatIsNotANumberRaises) {
  EXPECT_THROW(Resolve("p:31x8"), EProxySettingsError);
  EXPECT_THROW(Resolve("p:"), EProxySettingsError);
  EXPECT_THROW(Resolve("p:31x8", false), EProxySettingsError);
  try {
    Resolve("http=p:abc");
  } catch (const EProxySettingsError& error) {
    EXPECT_NE(std::string(error.what()).find("abc"), std::string::npos);
  }
}

class InternetSettingsFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("varnelo-proxy-unit-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old != nullptr) oldValue_ = old;
    hadValue_ = old != nullptr;
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  }
  void TearDown() override {
    if (hadValue_) ::setenv("XDG_CONFIG_HOME", oldValue_.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_;
  std::string oldValue_;
  bool hadValue_ = false;
};

TEST_F(InternetSettingsFileTest, AbsentFileIsAllEmpty) {
  EXPECT_EQ(InternetSettingsFile(), folder_ / "varnelo" / "internet-settings.ini");
  const TInternetSettings settings = ReadInternetSettings();
  EXPECT_FALSE(settings.ProxyEnable);
  EXPECT_EQ(settings.ProxyServer, "");
  EXPECT_EQ(ReadClientProxy().Host, "");
}

TEST_F(InternetSettingsFileTest, WritesAndReadsBack) {
  WriteInternetSettings({true, "ftp=a:21;http=b:8080", "u", "w"});
  const config::TConfigStore store(InternetSettingsFile());
  EXPECT_EQ(store.ReadString("Internet Settings", "ProxyEnable", ""), "-1");
  const TInternetSettings settings = ReadInternetSettings();
  EXPECT_TRUE(settings.ProxyEnable);
  EXPECT_EQ(settings.ProxyServer, "ftp=a:21;http=b:8080");
  EXPECT_EQ(ReadClientProxy().Host, "b");
  WriteInternetSettings({false, "p:1", "", ""});
  EXPECT_EQ(store.ReadString("Internet Settings", "ProxyEnable", ""), "0");
  EXPECT_EQ(ReadClientProxy().Host, "");
}

TEST(HostGuardTest, LoopbackHosts) {
  for (const char* host : {"localhost", "LocalHost", "127.0.0.1", "127.255.0.9", "::1", "[::1]", "[127.0.0.1]",
                           "::ffff:127.0.0.1"}) {
    EXPECT_TRUE(IsLoopbackHost(host)) << host;
  }
  for (const char* host : {"example.com", "10.0.0.1", "128.0.0.1", "::2", "localhost.", "127.1", "", "[::1"}) {
    EXPECT_FALSE(IsLoopbackHost(host)) << host;
  }
}

}  // namespace
}  // namespace varnelo::network
