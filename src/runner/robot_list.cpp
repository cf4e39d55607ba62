#include "runner/robot_list.h"

#include <algorithm>

namespace varnelo::runner {
namespace {

void EraseFirst(std::string& text, std::string_view what) {
  if (const size_t at = text.find(what); at != std::string::npos) text.erase(at, what.size());
}

std::string Entry(std::string_view robot, std::string_view state) { return std::string(robot).append(state); }

}  // namespace

std::string TRobotList::RobotNameOf(std::string_view entry) {
  std::string name(entry);
  EraseFirst(name, kIdle);
  EraseFirst(name, kWorking);
  return name;
}

std::vector<std::string>::const_iterator TRobotList::FindEntry(std::string_view robot) const {
  auto found = std::find(entries_.begin(), entries_.end(), Entry(robot, kIdle));
  if (found == entries_.end()) found = std::find(entries_.begin(), entries_.end(), Entry(robot, kWorking));
  return found;
}

bool TRobotList::Contains(std::string_view robot) const { return FindEntry(robot) != entries_.end(); }

bool TRobotList::LabelledWorking(std::string_view robot) const {
  return std::find(entries_.begin(), entries_.end(), Entry(robot, kWorking)) != entries_.end();
}

void TRobotList::Clear() {
  entries_.clear();
  SetSelection(std::nullopt);
  Cleared();
}

void TRobotList::AddIdle(std::string_view robot) {
  entries_.push_back(Entry(robot, kIdle));
  RobotAdded(std::string(robot));
}

bool TRobotList::ChangeRobotState(std::string_view robot, std::string_view state) {
  const auto found = FindEntry(robot);
  if (found == entries_.end()) return false;
  entries_.erase(found);
  entries_.insert(entries_.begin(), Entry(robot, state));
  StateChanged(std::string(robot), state == kWorking);
  return true;
}

bool TRobotList::RenameIdle(std::string_view oldName, std::string_view newName) {
  const auto found = std::find(entries_.begin(), entries_.end(), Entry(oldName, kIdle));
  if (found == entries_.end()) return false;
  *found = Entry(newName, kIdle);
  const bool wasSelected = selected_ == oldName;
  RobotRenamed(std::string(oldName), std::string(newName));
  if (wasSelected) SetSelection(std::string(newName));
  return true;
}

bool TRobotList::RemoveIdle(std::string_view robot) {
  const auto found = std::find(entries_.begin(), entries_.end(), Entry(robot, kIdle));
  if (found == entries_.end()) return false;
  entries_.erase(found);
  const bool wasSelected = selected_ == robot;
  RobotRemoved(std::string(robot));
  if (wasSelected) SetSelection(std::nullopt);
  return true;
}

void TRobotList::Select(const std::optional<std::string>& robot) {
  SetSelection(robot && Contains(*robot) ? robot : std::nullopt);
}

void TRobotList::SetSelection(std::optional<std::string> robot) {
  if (robot == selected_) return;
  selected_ = std::move(robot);
  SelectionChanged(selected_);
}

std::optional<std::string> TRobotList::SelectedEntry() const {
  if (!selected_) return std::nullopt;
  const auto found = FindEntry(*selected_);
  if (found == entries_.end()) return std::nullopt;
  return *found;
}

std::string TRobotList::RobotOf(const TSender& sender, std::string_view ownCaption) const {
  if (!sender.menuItem || sender.caption == ownCaption) return RobotNameOf(SelectedEntry().value_or(""));
  std::string caption = sender.caption;
  if (const size_t amp = caption.find('&'); amp != std::string::npos) caption.erase(amp, 1);
  return RobotNameOf(caption);
}

}  // namespace varnelo::runner
