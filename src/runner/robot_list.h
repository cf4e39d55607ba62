#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/sender.h"

namespace varnelo::runner {

// The robot list: one entry "<name>(idle)" or "<name>(working)" per robot, shown by the front ends.
class TRobotList {
public:
  static constexpr std::string_view kIdle = "(idle)";
  static constexpr std::string_view kWorking = "(working)";

  // The robots of a configuration file: every section in file order except exactly "general" and
  // exactly "dictionary".
  static std::vector<std::string> RobotSections(const std::vector<std::string>& sections);
  // The robot an entry or caption names: without its first "(idle)", then without its first "(working)".
  static std::string RobotNameOf(std::string_view entry);

  const std::vector<std::string>& Entries() const { return entries_; }
  void Clear();
  void AddIdle(std::string_view robot);

  // Relabels the robot "<robot>(<state>)" and moves it to the top, so that the robot that changed last
  // is first; `state` is kIdle or kWorking. False when the robot has no entry.
  bool ChangeRobotState(std::string_view robot, std::string_view state);
  // "<old>(idle)" becomes "<new>(idle)" in place; false when there is no such entry.
  bool RenameIdle(std::string_view oldName, std::string_view newName);
  // Removes "<robot>(idle)"; false when there is no such entry.
  bool RemoveIdle(std::string_view robot);

  // The entry the user selected, as a list box keeps it: by position.
  void Select(std::optional<size_t> index);
  // The selected entry's text; none when nothing (or nothing any more) is selected.
  std::optional<std::string> SelectedEntry() const;
  // The robot a command names: the caption of a menu item other than `ownCaption` (the item that
  // stands for the selection) without its first "&", else the selected entry; without the status
  // suffix. Empty when there is none.
  std::string RobotOf(const TSender& sender, std::string_view ownCaption) const;

  // Called after every change, so that the front end shows the list again.
  void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

private:
  void Changed() const;

  std::vector<std::string> entries_;
  std::optional<size_t> selected_;
  std::function<void()> onChange_;
};

}  // namespace varnelo::runner
