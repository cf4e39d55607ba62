#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::network {

// The system proxy settings (DESIGN section 5): `$XDG_CONFIG_HOME/varnelo/internet-settings.ini`
// (`~/.config/varnelo/...` when XDG_CONFIG_HOME is unset or not absolute), section
// `[Internet Settings]`, read through the configuration store. An absent file reads as all empty.

inline constexpr std::string_view kInternetSettingsSection = "Internet Settings";

// The four stored values, as stored (the system proxy dialog shows and writes these).
struct TInternetSettings {
  bool ProxyEnable = false;  // `ProxyEnable` read as an integer: non-zero is true
  std::string ProxyServer;   // e.g. "p:3128" or "ftp=a:21;http=b:8080"
  std::string ProxyUser;
  std::string ProxyPassword;
};

// The proxy a client takes: its fields ProxyHost, ProxyPort, ProxyUser, ProxyPass.
struct TClientProxy {
  std::string Host;  // "" when no proxy
  std::string Port = "8080";
  std::string User;
  std::string Pass;
};

std::filesystem::path InternetSettingsFile();

TInternetSettings ReadInternetSettings();

// Writes, in this order, ProxyEnable (-1 when enabled, 0 when not), ProxyServer, ProxyUser and
// ProxyPassword, creating the folder and the file when missing. Throws config::EConfigWriteError
// ("Unable to write to <file>") when a value cannot be written; the values written before stay.
void WriteInternetSettings(const TInternetSettings& settings);

// `ProxyServer` cut at ";" into entries, each at "=" (one piece: scheme "http";
// two: scheme and host-and-port; more: skipped); the first entry whose scheme is exactly "http" gives
// host and port (cut at ":"; "[v6]:port" also understood; an absent port is 0). When enabled, the
// client takes that host, the port in decimal, ProxyUser and ProxyPassword; otherwise "", "8080", "", "".
// Throws EProxySettingsError when that http entry's port is present but not a decimal number (whether
// or not the proxy is enabled: the value is cut before ProxyEnable is looked at).
TClientProxy ResolveClientProxy(const TInternetSettings& settings);

// ResolveClientProxy(ReadInternetSettings()): what every client does when it is created.
TClientProxy ReadClientProxy();

}  // namespace varnelo::network
