#include "search/quick_search_menu.h"

#include <algorithm>
#include <system_error>

#include "config/config_keys.h"
#include "config/robot_kinds.h"
#include "results/categories.h"

namespace varnelo::search {
namespace fs = std::filesystem;

TQuickSearchMenu::TQuickSearchMenu() : images_{fs::path()} {}

std::string TQuickSearchMenu::WithoutAccelerators(std::string_view caption) {
  std::string text(caption);
  std::erase(text, '&');
  return text;
}

size_t TQuickSearchMenu::AppendImage(const fs::path& iconFile) {
  std::error_code error;
  if (!fs::is_regular_file(iconFile, error)) return kDefaultImage;
  images_.push_back(iconFile);
  return images_.size() - 1;
}

void TQuickSearchMenu::Build(const config::TConfigStore& robotConfig, const config::TConfigStore& categories,
                             const fs::path& faviconFolder) {
  entries_.clear();
  images_.assign(1, fs::path());
  // Each search engine robot is read once, not once per category.
  struct TSearchRobot {
    std::string name;
    std::string category;
    std::string iconFile;
  };
  std::vector<TSearchRobot> robots;
  for (const std::string& robot : config::RobotSections(robotConfig.ReadSections())) {
    if (config::Read(robotConfig, robot, config::key::kDataFromRunner) != config::kind::kSearchEngine) continue;
    robots.push_back({robot, config::Read(robotConfig, robot, config::key::kCategory),
                      config::Read(robotConfig, robot, config::key::kIconFile)});
  }
  for (const std::string& category : categories.ReadSections()) {
    TCategoryEntry& entry = entries_.emplace_back();
    entry.caption = category;
    entry.image = AppendImage(faviconFolder / config::Read(categories, category, results::kCategoryIconFile));
    for (const TSearchRobot& robot : robots) {
      // Exact comparison: a category "general" does not take the robots of the default "General".
      if (robot.category == category) entry.robots.push_back({robot.name, AppendImage(faviconFolder / robot.iconFile)});
    }
  }
  Changed();
}

void TQuickSearchMenu::AddCategory(std::string_view caption, const fs::path& iconFile) {
  entries_.push_back({std::string(caption), AppendImage(iconFile), {}});
  Changed();
}

bool TQuickSearchMenu::RemoveCategory(std::string_view name) {
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(), [&](const TCategoryEntry& entry) {
    return WithoutAccelerators(entry.caption) == name;
  });
  if (found == entries_.rend()) return false;
  entries_.erase(std::next(found).base());
  Changed();
  return true;
}

void TQuickSearchMenu::RenameCategory(std::string_view oldName, std::string_view newName) {
  bool renamed = false;
  for (TCategoryEntry& entry : entries_) {
    if (WithoutAccelerators(entry.caption) != oldName) continue;
    entry.caption = newName;
    renamed = true;
  }
  if (renamed) Changed();
}

void TQuickSearchMenu::SetCategoryIcon(std::string_view name, const fs::path& iconFile) {
  const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const TCategoryEntry& entry) {
    return WithoutAccelerators(entry.caption) == name;
  });
  if (found == entries_.end()) return;
  found->image = AppendImage(iconFile);
  Changed();
}

std::vector<TQuickSearchMenu::TItem>::iterator TQuickSearchMenu::FindRobot(TCategoryEntry& category,
                                                                            std::string_view robot) {
  return FindCaption(category.robots.begin(), category.robots.end(), robot,
                     [](const TItem& item) -> const std::string& { return item.caption; });
}

void TQuickSearchMenu::AddOrUpdateRobot(std::string_view category, std::string_view robot, const fs::path& iconFile) {
  for (TCategoryEntry& entry : entries_) {
    if (WithoutAccelerators(entry.caption) != category) continue;
    const size_t image = AppendImage(iconFile);
    if (const auto found = FindRobot(entry, robot); found != entry.robots.end()) {
      found->image = image;
    } else {
      entry.robots.push_back({std::string(robot), image});
    }
  }
  Changed();
}

void TQuickSearchMenu::RenameRobot(std::string_view oldName, std::string_view newName) {
  for (TCategoryEntry& entry : entries_) {
    if (const auto found = FindRobot(entry, oldName); found != entry.robots.end()) found->caption = newName;
  }
  Changed();
}

void TQuickSearchMenu::RemoveRobot(std::string_view robot) {
  for (TCategoryEntry& entry : entries_) {
    if (const auto found = FindRobot(entry, robot); found != entry.robots.end()) entry.robots.erase(found);
  }
  Changed();
}


}  // namespace varnelo::search
