#include "network/internet_settings.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "config/config_store.h"
#include "network/network_error.h"

namespace varnelo::network {
namespace fs = std::filesystem;
namespace {

std::vector<std::string_view> Cut(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    pieces.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return pieces;
}

bool IsDecimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  fs::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

}  // namespace

fs::path InternetSettingsFile() {
  fs::path configHome;
  if (auto xdg = AbsoluteFromEnvironment("XDG_CONFIG_HOME")) {
    configHome = *xdg;
  } else if (auto home = AbsoluteFromEnvironment("HOME")) {
    configHome = *home / ".config";
  } else {
    configHome = fs::path("/nonexistent") / ".config";  // no home at all: reads as an absent file
  }
  return configHome / "varnelo" / "internet-settings.ini";
}

TInternetSettings ReadInternetSettings() {
  const config::TConfigStore store(InternetSettingsFile());
  TInternetSettings settings;
  settings.ProxyServer = store.ReadString(kInternetSettingsSection, "ProxyServer", "");
  settings.ProxyEnable = store.ReadInteger(kInternetSettingsSection, "ProxyEnable", 0) != 0;
  settings.ProxyUser = store.ReadString(kInternetSettingsSection, "ProxyUser", "");
  settings.ProxyPassword = store.ReadString(kInternetSettingsSection, "ProxyPassword", "");
  return settings;
}

void WriteInternetSettings(const TInternetSettings& settings) {
  const fs::path file = InternetSettingsFile();
  std::error_code ignored;
  fs::create_directories(file.parent_path(), ignored);  // a failure shows as the write error below
  const config::TConfigStore store(file);
  store.WriteInteger(kInternetSettingsSection, "ProxyEnable", settings.ProxyEnable ? -1 : 0);
  store.WriteString(kInternetSettingsSection, "ProxyServer", settings.ProxyServer);
  store.WriteString(kInternetSettingsSection, "ProxyUser", settings.ProxyUser);
  store.WriteString(kInternetSettingsSection, "ProxyPassword", settings.ProxyPassword);
}

TClientProxy ResolveClientProxy(const TInternetSettings& settings) {
  std::string host;
  int port = 0;
  if (!settings.ProxyServer.empty()) {
    for (std::string_view entry : Cut(settings.ProxyServer, ';')) {
      const std::vector<std::string_view> pieces = Cut(entry, '=');
      if (pieces.size() > 2) continue;
      const std::string_view scheme = pieces.size() == 1 ? std::string_view("http") : pieces[0];
      if (scheme != "http") continue;
      std::string_view hostAndPort = pieces.back();
      std::optional<std::string_view> portText;
      if (!hostAndPort.empty() && hostAndPort.front() == '[' && hostAndPort.find(']') != std::string_view::npos) {
        // An IPv6 literal: its colons do not cut it.
        const size_t close = hostAndPort.find(']');
        host = std::string(hostAndPort.substr(1, close - 1));
        const std::string_view after = hostAndPort.substr(close + 1);
        if (!after.empty()) portText = after.front() == ':' ? after.substr(1) : after;
      } else {
        const std::vector<std::string_view> hostPieces = Cut(hostAndPort, ':');
        host = std::string(hostPieces[0]);
        if (hostPieces.size() > 1) portText = hostPieces[1];
      }
      if (portText) {
        if (!IsDecimal(*portText)) {
          throw EProxySettingsError("invalid proxy port \"" + std::string(*portText) + "\" in ProxyServer \"" +
                                    settings.ProxyServer + "\"");
        }
        port = std::stoi(std::string(*portText));
      }
      break;
    }
  }
  TClientProxy proxy;
  if (settings.ProxyEnable) {
    proxy.Host = host;
    proxy.Port = std::to_string(port);
    proxy.User = settings.ProxyUser;
    proxy.Pass = settings.ProxyPassword;
  }
  return proxy;
}

TClientProxy ReadClientProxy() { return ResolveClientProxy(ReadInternetSettings()); }

}  // namespace varnelo::network
