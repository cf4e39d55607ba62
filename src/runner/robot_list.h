#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/signal.h"
#include "runner/sender.h"

namespace varnelo::runner {

// The robot list: one entry "<name>(idle)" or "<name>(working)" per robot, shown by the front ends.
// Its signals name the robot they are about; the selection is kept by name, so an entry that moves
// keeps it.
class TRobotList {
public:
  static constexpr std::string_view kIdle = "(idle)";
  static constexpr std::string_view kWorking = "(working)";

  // The robot an entry or caption names: without its first "(idle)", then without its first "(working)".
  static std::string RobotNameOf(std::string_view entry);

  const std::vector<std::string>& Entries() const { return entries_; }
  bool Contains(std::string_view robot) const;
  // Whether the robot's label says "(working)".
  bool LabelledWorking(std::string_view robot) const;

  void Clear();
  void AddIdle(std::string_view robot);

  // Relabels the robot "<robot>(<state>)" and moves it to the top, so that the robot that changed last
  // is first; `state` is kIdle or kWorking. False when the robot has no entry.
  bool ChangeRobotState(std::string_view robot, std::string_view state);
  // "<old>(idle)" becomes "<new>(idle)" in place; false when there is no such entry.
  bool RenameIdle(std::string_view oldName, std::string_view newName);
  // Removes "<robot>(idle)"; false when there is no such entry.
  bool RemoveIdle(std::string_view robot);

  // The robot the user selected; none clears the selection. A robot without an entry selects nothing.
  void Select(const std::optional<std::string>& robot);
  const std::optional<std::string>& SelectedRobot() const { return selected_; }
  // The selected entry's text; none when nothing (or nothing any more) is selected.
  std::optional<std::string> SelectedEntry() const;
  // The robot a command names: the caption of a menu item other than `ownCaption` (the item that
  // stands for the selection) without its first "&", else the selected entry; without the status
  // suffix. Empty when there is none.
  std::string RobotOf(const TSender& sender, std::string_view ownCaption) const;

  base::TSignal<const std::string&> RobotAdded;
  base::TSignal<const std::string&> RobotRemoved;
  base::TSignal<const std::string& /*oldName*/, const std::string& /*newName*/> RobotRenamed;
  // The robot's label changed and its entry moved to the top.
  base::TSignal<const std::string& /*robot*/, bool /*working*/> StateChanged;
  base::TSignal<> Cleared;
  base::TSignal<const std::optional<std::string>&> SelectionChanged;

private:
  // The robot's entry, idle or working.
  std::vector<std::string>::const_iterator FindEntry(std::string_view robot) const;
  void SetSelection(std::optional<std::string> robot);

  std::vector<std::string> entries_;
  std::optional<std::string> selected_;
};

}  // namespace varnelo::runner
