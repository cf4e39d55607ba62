#pragma once

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/signal.h"
#include "config/config_store.h"

namespace varnelo::search {

// The engine menu of the quick search bar as data: one entry per category, the search engine robots of
// that category beneath it, and the icon list their images index. The front ends show it; entries are
// found by caption with every "&" removed.
// The entry that a menu captions with `name`. Captions are the names, so an equal caption is its own
// entry even when the name holds "&" (which the comparison without "&" could never match); otherwise
// the first caption that gives the name once every "&" is removed, as an accelerator would.
template <class TIterator, class TCaptionOf>
TIterator FindCaption(TIterator begin, TIterator end, std::string_view name, TCaptionOf captionOf) {
  const auto exact = std::find_if(begin, end, [&](const auto& entry) { return captionOf(entry) == name; });
  if (exact != end) return exact;
  return std::find_if(begin, end, [&](const auto& entry) {
    std::string caption(captionOf(entry));
    std::erase(caption, '&');
    return caption == name;
  });
}

class TQuickSearchMenu {
public:
  // Image 0 is the front end's built-in default icon; it has no file.
  static constexpr size_t kDefaultImage = 0;

  struct TItem {
    std::string caption;
    size_t image = kDefaultImage;
    bool operator==(const TItem&) const = default;
  };
  struct TCategoryEntry {
    std::string caption;
    size_t image = kDefaultImage;
    std::vector<TItem> robots;
    bool operator==(const TCategoryEntry&) const = default;
  };

  TQuickSearchMenu();

  const std::vector<TCategoryEntry>& Entries() const { return entries_; }
  // The icon files of the images, by index; index 0 holds an empty path.
  const std::vector<std::filesystem::path>& Images() const { return images_; }

  // Builds the menu afresh from the categories of `categories` (in file order) and the search engine
  // robots of `robotConfig`, with icons from `faviconFolder`.
  void Build(const config::TConfigStore& robotConfig, const config::TConfigStore& categories,
             const std::filesystem::path& faviconFolder);

  // Appends a first-level entry with the icon of `iconFile` (image 0 when the file does not exist).
  void AddCategory(std::string_view caption, const std::filesystem::path& iconFile);
  // Removes, with the entries beneath it, the last first-level entry that names the category; false
  // when there is none.
  bool RemoveCategory(std::string_view name);
  // Gives every first-level entry that names `oldName` the caption `newName`; its image stays.
  void RenameCategory(std::string_view oldName, std::string_view newName);
  // Gives the first first-level entry that names the category the icon of `iconFile`.
  void SetCategoryIcon(std::string_view name, const std::filesystem::path& iconFile);

  // Under every first-level entry that names `category`: the robot's entry gets the icon of `iconFile`
  // again, or is appended when there is none.
  void AddOrUpdateRobot(std::string_view category, std::string_view robot, const std::filesystem::path& iconFile);
  // Under every category, the first entry that names `oldName` gets the caption `newName`.
  void RenameRobot(std::string_view oldName, std::string_view newName);
  // Under every category, the first entry that names the robot is removed.
  void RemoveRobot(std::string_view robot);

  // Called after every change, so that the front end shows the menu again.
  base::TSignal<> Changed;

  // A caption as entries are compared: without any "&".
  static std::string WithoutAccelerators(std::string_view caption);

private:
  // The index of the image of `iconFile`, appended to the icon list when the file exists.
  size_t AppendImage(const std::filesystem::path& iconFile);
  // The entry under `category` that names `robot`: the one captioned exactly so, else the first whose
  // caption without "&" is the name.
  static std::vector<TItem>::iterator FindRobot(TCategoryEntry& category, std::string_view robot);

  std::vector<TCategoryEntry> entries_;
  std::vector<std::filesystem::path> images_;
};

}  // namespace varnelo::search
