#include "results/categories.h"

#include <algorithm>
#include <system_error>

#include "config/config_keys.h"
#include "config/ini_text.h"
#include "config/robot_kinds.h"
#include "config/storable_text.h"

namespace varnelo::results {
namespace fs = std::filesystem;
namespace {

std::optional<std::string> StorageProblemMessage(std::string_view text, std::string_view subject) {
  const config::TStorageProblem problem = config::StorageProblem(text);
  if (problem == config::TStorageProblem::None) return std::nullopt;
  return config::StorageProblemMessage(problem, subject);
}

}  // namespace

fs::path CategoryFilePath(const fs::path& home) {
  const fs::path exact = home / kCategoryFileName;
  std::error_code error;
  if (fs::exists(exact, error)) return exact;
  for (fs::directory_iterator it(home, error), end; !error && it != end; it.increment(error)) {
    if (config::SameName(it->path().filename().string(), kCategoryFileName)) return it->path();
  }
  return exact;
}

std::vector<std::string> CategoryNames(const fs::path& home) {
  return config::TConfigStore(CategoryFilePath(home)).ReadSections();
}

bool IsCategory(const config::TConfigStore& categories, std::string_view name) {
  const std::vector<std::string> sections = categories.ReadSections();
  return std::any_of(sections.begin(), sections.end(),
                     [&](const std::string& section) { return config::SameName(section, name); });
}

void MoveSearchEngineRobots(const config::TConfigStore& robotConfig, std::string_view from, std::string_view to) {
  for (const std::string& robot : config::RobotSections(robotConfig.ReadSections())) {
    if (config::Read(robotConfig, robot, config::key::kDataFromRunner) != config::kind::kSearchEngine) continue;
    if (config::Read(robotConfig, robot, config::key::kCategory) != from) continue;
    config::Write(robotConfig, robot, config::key::kCategory, to);
  }
}

std::optional<fs::path> ChooseIconFile(base::TDialogsPort& dialogs, const fs::path& home, std::string_view caption) {
  return dialogs.ChooseOpenFile(caption, "Icônes (*.ico);;Tous les fichiers (*)", home / kFaviconFolder);
}

std::optional<std::string> CategoryNameProblem(std::string_view name) {
  // A "]" would end the section header early.
  if (name.find(']') != std::string_view::npos) return "Le nom de la catégorie ne peut pas contenir \"]\"";
  return StorageProblemMessage(name, "Le nom de la catégorie");
}

std::optional<std::string> IconFileProblem(std::string_view fileName) {
  return StorageProblemMessage(fileName, "Le nom du fichier d'icône");
}

}  // namespace varnelo::results
