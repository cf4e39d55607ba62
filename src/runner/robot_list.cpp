#include "runner/robot_list.h"

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

void TRobotList::Changed() const {
  if (onChange_) onChange_();
}

}  // namespace varnelo::runner
