#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::network {

// Firefox profiles (~/.mozilla/firefox) and their HTTP proxy preferences: the operations of the
// Firefox proxy dialog without the window.

// One section of profiles.ini other than "General".
struct TFirefoxProfile {
  std::string Name;         // the section name
  bool Default = false;
  bool IsRelative = false;
  std::string Path;
};

// The proxy preferences that the dialog shows and writes, as texts of its fields.
struct TFirefoxProxy {
  std::string Host;
  std::string Port;
  bool Enabled = false;  // network.proxy.type non-zero
};

// `$HOME/.mozilla/firefox`.
std::filesystem::path FirefoxFolder();

// The profiles of `<folder>/profiles.ini` in file order (every section but "General"); empty when the
// file is missing or has no profiles.
std::vector<TFirefoxProfile> ReadFirefoxProfiles(const std::filesystem::path& firefoxFolder);

// Index of the first profile whose Default is true.
std::optional<size_t> DefaultProfileIndex(const std::vector<TFirefoxProfile>& profiles);

// The profile's prefs.js: `<folder>/<Path>/prefs.js` when IsRelative, `<Path>/prefs.js` otherwise.
std::filesystem::path PrefsFile(const std::filesystem::path& firefoxFolder, const TFirefoxProfile& profile);

// The three preferences as the dialog reads them from the lines of a prefs.js (pure).
TFirefoxProxy ParseProxyPrefs(const std::vector<std::string>& lines);

// The lines of a prefs.js with the three preference lines replaced or appended (pure):
//   user_pref("network.proxy.http", "<host>");
//   user_pref("network.proxy.http_port", <port>);
//   user_pref("network.proxy.type", 1);   (0 when not enabled)
std::vector<std::string> WithProxyPrefs(std::vector<std::string> lines, const TFirefoxProxy& proxy);

// LoadProfileInfo: the preferences of the profile named `profileName` in profiles.ini. Throws
// EFirefoxPrefsError when the profile is unknown or its prefs.js cannot be read.
TFirefoxProxy LoadProfileInfo(const std::filesystem::path& firefoxFolder, std::string_view profileName);

// "Enregistrer": reads the profile's prefs.js as lines (CR LF, LF or CR), applies WithProxyPrefs and
// writes it back atomically, each line ended by CR LF. Throws EFirefoxPrefsError when the profile is
// unknown or the file cannot be read or written; the file is then left as it was.
void SaveProfileInfo(const std::filesystem::path& firefoxFolder, std::string_view profileName,
                     const TFirefoxProxy& proxy);

}  // namespace varnelo::network
