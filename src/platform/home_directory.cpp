#include "platform/home_directory.h"

#include <cstdlib>
#include <system_error>

namespace varnelo::platform {
namespace fs = std::filesystem;
namespace {

std::optional<fs::path> AbsoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  const fs::path path(value);
  if (!path.is_absolute()) return std::nullopt;  // the XDG rule: relative values are ignored
  return path;
}

bool MissingOrEmpty(const fs::path& home) {
  std::error_code error;
  if (!fs::exists(home, error)) return true;
  return fs::is_directory(home, error) && fs::is_empty(home, error);
}

}  // namespace

fs::path ResolveHome(const std::optional<fs::path>& commandLineHome) {
  if (commandLineHome && !commandLineHome->empty()) return fs::absolute(*commandLineHome);
  if (const char* home = std::getenv("VARNELO_HOME"); home != nullptr && *home != '\0') {
    return fs::absolute(home);
  }
  if (auto dataHome = AbsoluteFromEnvironment("XDG_DATA_HOME")) return *dataHome / "varnelo";
  if (auto userHome = AbsoluteFromEnvironment("HOME")) return *userHome / ".local" / "share" / "varnelo";
  throw EHomeError("cannot choose a home directory: neither --home, VARNELO_HOME, XDG_DATA_HOME nor HOME is set");
}

fs::path FindTemplate() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) throw EHomeError("cannot locate the running program: " + error.message());
  const fs::path bin = executable.parent_path();
  for (const fs::path& candidate : {bin / ".." / "share" / "template", bin / ".." / "share" / "varnelo" / "template"}) {
    if (fs::is_directory(candidate, error)) return candidate.lexically_normal();
  }
  throw EHomeError("the home template was not found beside " + executable.string());
}

bool EnsureHome(const fs::path& home, const fs::path& templateDir) {
  if (!MissingOrEmpty(home)) {
    if (!fs::is_directory(home)) throw EHomeError(home.string() + " is not a directory");
    return false;
  }
  try {
    fs::create_directories(home);
    fs::copy(templateDir, home, fs::copy_options::recursive | fs::copy_options::skip_existing);
    for (std::string_view folder : kInstallationFolders) fs::create_directories(home / folder);
  } catch (const fs::filesystem_error& error) {
    throw EHomeError("cannot create the home directory " + home.string() + ": " + error.code().message());
  }
  return true;
}

}  // namespace varnelo::platform
