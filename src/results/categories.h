#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "config/config_keys.h"
#include "config/config_store.h"

namespace varnelo::results {

// Category.ini: one section per category, in the order of the engine menu.
inline constexpr std::string_view kCategoryFileName = "Category.ini";
inline constexpr std::string_view kDefaultCategory = "General";
inline constexpr config::TStringKey kCategoryIconFile{"iconfile", "google.ico"};
// The icon of a renamed category.
inline constexpr std::string_view kRenamedCategoryIcon = "google.ico";
// The folder of the home that holds every icon file, looked up by name.
inline constexpr std::string_view kFaviconFolder = "favicon";
// A plain message box carries the application title as its caption.

// The category file of `home`. File names of the program are compared without regard to case, so a
// "category.ini" stands for it when there is no "Category.ini".
std::filesystem::path CategoryFilePath(const std::filesystem::path& home);

// The category names: the section names of the category file, in file order.
std::vector<std::string> CategoryNames(const std::filesystem::path& home);

// Whether `name` is a section of the category file, without regard to case as the file itself.
bool IsCategory(const config::TConfigStore& categories, std::string_view name);

// Gives every search engine robot whose `Category` is exactly `from` the category `to`; robots of the
// other kinds keep theirs.
void MoveSearchEngineRobots(const config::TConfigStore& robotConfig, std::string_view from, std::string_view to);

// The file chooser of the category dialogs, opened in the favicon folder; the chosen file's full path.
std::optional<std::filesystem::path> ChooseIconFile(base::TDialogsPort& dialogs, const std::filesystem::path& home,
                                                    std::string_view caption);

// Why a typed category name cannot be stored as a section name and as the robots' `Category` value,
// as a message; nothing when it can.
std::optional<std::string> CategoryNameProblem(std::string_view name);
// The same for an icon file name stored as `iconfile`.
std::optional<std::string> IconFileProblem(std::string_view fileName);

}  // namespace varnelo::results
