#include "search/definition_paths.h"

namespace varnelo::search {
namespace fs = std::filesystem;

fs::path DefinitionsFolder(const fs::path& home) { return home / kDefinitionsFolderName; }

fs::path EngineFolder(const fs::path& home, std::string_view robot) { return DefinitionsFolder(home) / robot; }

fs::path ActivityFile(const fs::path& home, std::string_view robot) {
  return EngineFolder(home, robot) / kActivityFileName;
}

fs::path RandomQueryDefinitionPath(const fs::path& home, std::string_view name) {
  if (name.empty()) return {};
  const fs::path path(name);
  if (path.is_absolute()) return path;
  if (path.has_parent_path()) return home / path;
  return DefinitionsFolder(home) / path;
}

}  // namespace varnelo::search
