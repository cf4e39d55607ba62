#include "search/engine_activity.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "config/config_keys.h"
#include "search/definition_paths.h"

namespace varnelo::search {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kTemporarySuffix = ".tmp";

// Whether `name` is the store's lock or temporary file for another entry of the folder.
bool IsCompanion(const std::string& name, const std::set<std::string>& entries) {
  for (const std::string_view suffix : {kLockSuffix, kTemporarySuffix}) {
    if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
    const std::string base = name.substr(0, name.size() - suffix.size());
    if (base == kActivityFileName || entries.contains(base)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> ListEngines(const fs::path& home, std::string_view robot) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(EngineFolder(home, robot), error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  // Sorted by name, as the folder listings this order comes from were: the same order on every file system.
  std::sort(names.begin(), names.end());
  const std::set<std::string> entries(names.begin(), names.end());
  std::erase_if(names, [&](const std::string& name) {
    return name == kActivityFileName || IsCompanion(name, entries);
  });
  return names;
}

bool IsEngineActive(const fs::path& home, std::string_view robot, std::string_view engine) {
  return config::TConfigStore(ActivityFile(home, robot)).ReadBool(config::section::kEngineActivity, engine, true);
}

void SetEngineActive(const fs::path& home, std::string_view robot, std::string_view engine, bool active) {
  config::TConfigStore(ActivityFile(home, robot)).WriteBool(config::section::kEngineActivity, engine, active);
}

std::vector<std::string> ActiveEngines(const fs::path& home, std::string_view robot) {
  std::vector<std::string> engines = ListEngines(home, robot);
  std::erase_if(engines, [&](const std::string& engine) { return !IsEngineActive(home, robot, engine); });
  return engines;
}

void DeleteEngine(const fs::path& home, std::string_view robot, std::string_view engine) {
  // Only a name the listing can give: never the folder itself, its parent or the activity file.
  if (engine.empty() || engine == "." || engine == ".." || engine == kActivityFileName ||
      engine.find('/') != std::string_view::npos) {
    return;
  }
  const fs::path file = EngineFolder(home, robot) / engine;
  std::error_code ignored;  // an engine already gone still loses its key
  fs::remove(file, ignored);
  fs::remove(fs::path(file.string() + std::string(kLockSuffix)), ignored);
  config::TConfigStore(ActivityFile(home, robot)).DeleteKey(config::section::kEngineActivity, engine);
}

}  // namespace varnelo::search
