#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace varnelo::platform {

// The writable folder that stands for the program directory: every file of the program is named
// relative to it.

// A home that cannot be found, created or filled.
class EHomeError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The folders that an installation holds.
inline constexpr std::array<std::string_view, 12> kInstallationFolders{
    "result", "website", "favicon", "samples", "Robot Definitions", "dictionary",
    "urllist", "UrlFiles", "interpretercode", "temp", "email", "antiantispam-garbage"};

// --home when given, else $VARNELO_HOME, else $XDG_DATA_HOME/varnelo (~/.local/share/varnelo when
// XDG_DATA_HOME is unset or not absolute). Throws EHomeError when none can be made out.
std::filesystem::path ResolveHome(const std::optional<std::filesystem::path>& commandLineHome);

// The home template beside the running program: ../share/template (build tree) or
// ../share/varnelo/template (installed) from the executable's folder. Throws EHomeError when absent.
std::filesystem::path FindTemplate();

// Creates `home` from `templateDir` when it does not exist or is empty; an existing home is never
// touched. True when the home was made now. Throws EHomeError with the reason when it cannot be created.
bool EnsureHome(const std::filesystem::path& home, const std::filesystem::path& templateDir);

}  // namespace varnelo::platform
