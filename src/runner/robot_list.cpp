#include "runner/robot_list.h"

#include <algorithm>

#include "config/config_keys.h"

namespace varnelo::runner {
namespace {

void EraseFirst(std::string& text, std::string_view what) {
  if (const size_t at = text.find(what); at != std::string::npos) text.erase(at, what.size());
}

}  // namespace

std::vector<std::string> TRobotList::RobotSections(const std::vector<std::string>& sections) {
  std::vector<std::string> robots;
  for (const std::string& name : sections) {
    // Exact comparison on purpose: a section "General" is a robot.
    if (name != config::section::kGeneral && name != config::section::kDictionary) robots.push_back(name);
  }
  return robots;
}

std::string TRobotList::RobotNameOf(std::string_view entry) {
  std::string name(entry);
  EraseFirst(name, kIdle);
  EraseFirst(name, kWorking);
  return name;
}

void TRobotList::Clear() {
  entries_.clear();
  Changed();
}

void TRobotList::AddIdle(std::string_view robot) {
  entries_.push_back(std::string(robot).append(kIdle));
  Changed();
}

bool TRobotList::ChangeRobotState(std::string_view robot, std::string_view state) {
  auto found = std::find(entries_.begin(), entries_.end(), std::string(robot).append(kIdle));
  if (found == entries_.end()) found = std::find(entries_.begin(), entries_.end(), std::string(robot).append(kWorking));
  if (found == entries_.end()) return false;
  entries_.erase(found);
  entries_.insert(entries_.begin(), std::string(robot).append(state));
  Changed();
  return true;
}

bool TRobotList::RenameIdle(std::string_view oldName, std::string_view newName) {
  const auto found = std::find(entries_.begin(), entries_.end(), std::string(oldName).append(kIdle));
  if (found == entries_.end()) return false;
  *found = std::string(newName).append(kIdle);
  Changed();
  return true;
}

bool TRobotList::RemoveIdle(std::string_view robot) {
  const auto found = std::find(entries_.begin(), entries_.end(), std::string(robot).append(kIdle));
  if (found == entries_.end()) return false;
  entries_.erase(found);
  Changed();
  return true;
}

void TRobotList::Select(std::optional<size_t> index) { selected_ = index; }

std::optional<std::string> TRobotList::SelectedEntry() const {
  if (!selected_ || *selected_ >= entries_.size()) return std::nullopt;
  return entries_[*selected_];
}

std::string TRobotList::RobotOf(const TSender& sender, std::string_view ownCaption) const {
  if (!sender.menuItem || sender.caption == ownCaption) return RobotNameOf(SelectedEntry().value_or(""));
  std::string caption = sender.caption;
  if (const size_t amp = caption.find('&'); amp != std::string::npos) caption.erase(amp, 1);
  return RobotNameOf(caption);
}

void TRobotList::Changed() const {
  if (onChange_) onChange_();
}

}  // namespace varnelo::runner
