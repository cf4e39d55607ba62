#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "network/tls_settings.h"
#include "support/loopback_server.h"
#include "support/scoped_environment.h"
#include "support/temp_home.h"

namespace varnelo::network {

// Every network test starts from no proxy, no extra trusted authority and certificate checks on,
// whatever the machine's own settings hold: the proxy settings file is looked up under a
// configuration folder of the test's own.
class NetworkTest : public ::testing::Test {
protected:
  NetworkTest() {
    environment_.Set("XDG_CONFIG_HOME", configHome_.Path().string());
    environment_.Unset("VARNELO_EXTRA_CA_FILE");
    SetTlsConfigFile({});
  }
  ~NetworkTest() override { SetTlsConfigFile({}); }

  // The internet-settings.ini that every client reads when it is created.
  void WriteProxySettings(const std::string& proxyEnable, const std::string& proxyServer,
                          const std::string& proxyUser = "", const std::string& proxyPassword = "") {
    const std::filesystem::path folder = configHome_.Path() / "varnelo";
    std::filesystem::create_directories(folder);
    test::WriteFile(folder / "internet-settings.ini",
                    "[Internet Settings]\r\nProxyEnable=" + proxyEnable + "\r\nProxyServer=" + proxyServer +
                        "\r\nProxyUser=" + proxyUser + "\r\nProxyPassword=" + proxyPassword + "\r\n");
  }

  void TrustAuthority(const std::filesystem::path& caFile) {
    environment_.Set("VARNELO_EXTRA_CA_FILE", caFile.string());
  }

  test::TScopedEnvironment environment_;

private:
  test::TTempDir configHome_;
};

// A loopback port that nothing listens on any more: connecting to it is refused.
inline int RefusedPort() {
  const test::TLoopbackServer gone;
  return gone.Port();
}

inline std::string RefusedUrl(std::string_view pathAndQuery) {
  return "http://127.0.0.1:" + std::to_string(RefusedPort()) + std::string(pathAndQuery);
}

// How long a call took, for the tests that prove a transfer ended; the bounds are generous.
template <typename TCall>
std::chrono::milliseconds TimeOf(TCall&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace varnelo::network
