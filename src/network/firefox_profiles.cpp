#include "network/firefox_profiles.h"

#include <cstdlib>
#include <system_error>

#include "config/config_store.h"
#include "config/ini_text.h"
#include "network/network_error.h"
#include "base/text.h"
#include "platform/atomic_file.h"

namespace varnelo::network {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kHostPref = "network.proxy.http";
constexpr std::string_view kPortPref = "network.proxy.http_port";
constexpr std::string_view kTypePref = "network.proxy.type";

bool Contains(std::string_view line, std::string_view part) { return line.find(part) != std::string_view::npos; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The first run of decimal digits of `line`, "" when it has none.
std::string_view FirstDigits(std::string_view line) {
  size_t start = 0;
  while (start < line.size() && !IsDigit(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && IsDigit(line[end])) ++end;
  return line.substr(start, end - start);
}

// A run of digits read as a number and written back in decimal: without leading zeros, "0" for none.
// (Written from the digits, so a run too long for an integer cannot overflow.)
std::string AsDecimal(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits.empty() ? "0" : std::string(digits);
}

TFirefoxProfile FindProfile(const fs::path& firefoxFolder, std::string_view profileName) {
  for (TFirefoxProfile& profile : ReadFirefoxProfiles(firefoxFolder)) {
    if (profile.Name == profileName) return std::move(profile);
  }
  throw EFirefoxPrefsError("no Firefox profile \"" + std::string(profileName) + "\" in " +
                           (firefoxFolder / "profiles.ini").string());
}

std::vector<std::string> ReadPrefsLines(const fs::path& prefs) {
  std::optional<std::string> content;
  try {
    content = platform::ReadWholeFile(prefs);
  } catch (const std::system_error& error) {
    throw EFirefoxPrefsError("Unable to read " + prefs.string() + ": " + error.code().message());
  }
  if (!content) throw EFirefoxPrefsError("Unable to read " + prefs.string() + ": no such file");
  return base::SplitLines(*content);
}

}  // namespace

fs::path FirefoxFolder() {
  const char* home = std::getenv("HOME");
  const fs::path base = home != nullptr && *home != '\0' ? fs::path(home) : fs::path("/nonexistent");
  return base / ".mozilla" / "firefox";
}

std::vector<TFirefoxProfile> ReadFirefoxProfiles(const fs::path& firefoxFolder) {
  const config::TConfigStore store(firefoxFolder / "profiles.ini");
  std::vector<TFirefoxProfile> profiles;
  for (const std::string& section : store.ReadSections()) {
    if (config::SameName(section, "General")) continue;
    TFirefoxProfile profile;
    profile.Name = section;
    profile.Default = store.ReadBool(section, "Default", false);
    profile.IsRelative = store.ReadBool(section, "IsRelative", false);
    profile.Path = store.ReadString(section, "Path", "");
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

std::optional<size_t> DefaultProfileIndex(const std::vector<TFirefoxProfile>& profiles) {
  for (size_t i = 0; i < profiles.size(); ++i) {
    if (profiles[i].Default) return i;
  }
  return std::nullopt;
}

fs::path PrefsFile(const fs::path& firefoxFolder, const TFirefoxProfile& profile) {
  if (profile.IsRelative) return firefoxFolder / profile.Path / "prefs.js";
  return fs::path(profile.Path) / "prefs.js";
}

TFirefoxProxy ParseProxyPrefs(const std::vector<std::string>& lines) {
  TFirefoxProxy proxy;
  for (const std::string& line : lines) {
    if (Contains(line, kPortPref)) {
      proxy.Port = AsDecimal(FirstDigits(line));
    } else if (Contains(line, kHostPref)) {
      size_t start = 0;
      while (start < line.size() && !IsDigit(line[start])) ++start;
      size_t end = start;
      while (end < line.size() && (IsDigit(line[end]) || line[end] == '.')) ++end;
      proxy.Host = line.substr(start, end - start);
    } else if (Contains(line, kTypePref)) {
      proxy.Enabled = AsDecimal(FirstDigits(line)) != "0";
    }
  }
  return proxy;
}

std::vector<std::string> WithProxyPrefs(std::vector<std::string> lines, const TFirefoxProxy& proxy) {
  const std::string hostLine = "user_pref(\"network.proxy.http\", \"" + proxy.Host + "\");";
  const std::string portLine = "user_pref(\"network.proxy.http_port\", " + proxy.Port + ");";
  const std::string typeLine = std::string("user_pref(\"network.proxy.type\", ") + (proxy.Enabled ? "1" : "0") + ");";
  bool hostSeen = false, portSeen = false, typeSeen = false;
  for (std::string& line : lines) {
    if (Contains(line, kPortPref)) {
      line = portLine;
      portSeen = true;
    } else if (Contains(line, kHostPref)) {
      line = hostLine;
      hostSeen = true;
    } else if (Contains(line, kTypePref)) {
      line = typeLine;
      typeSeen = true;
    }
  }
  if (!hostSeen) lines.push_back(hostLine);
  if (!portSeen) lines.push_back(portLine);
  if (!typeSeen) lines.push_back(typeLine);
  return lines;
}

TFirefoxProxy LoadProfileInfo(const fs::path& firefoxFolder, std::string_view profileName) {
  return ParseProxyPrefs(ReadPrefsLines(PrefsFile(firefoxFolder, FindProfile(firefoxFolder, profileName))));
}

void SaveProfileInfo(const fs::path& firefoxFolder, std::string_view profileName, const TFirefoxProxy& proxy) {
  const fs::path prefs = PrefsFile(firefoxFolder, FindProfile(firefoxFolder, profileName));
  std::string content;
  for (const std::string& line : WithProxyPrefs(ReadPrefsLines(prefs), proxy)) {
    content += line;
    content += "\r\n";
  }
  try {
    platform::ReplaceFileAtomically(prefs, content);
  } catch (const std::system_error& error) {
    throw EFirefoxPrefsError("Unable to write to " + prefs.string() + ": " + error.code().message());
  }
}

}  // namespace varnelo::network
