#include "forms/frm_dock_arrow_button.h"

#include <algorithm>
#include <system_error>

#include "base/text.h"
#include "config/config_keys.h"
#include "config/ini_text.h"
#include "config/robot_kinds.h"
#include "config/start_url_list.h"
#include "forms/robot_editor_input.h"
#include "search/definition_paths.h"

namespace varnelo::runner {
namespace fs = std::filesystem;

namespace {

// Sections that are the program's own, whatever the file holds now.
// The item of a menu that names the robot.
std::vector<std::string>::iterator FindMenuItem(std::vector<std::string>& menu, std::string_view robot) {
  return search::FindCaption(menu.begin(), menu.end(), robot,
                             [](const std::string& caption) -> const std::string& { return caption; });
}

bool HasForbiddenCharacter(std::string_view name) {
  // "/" would put the robot's files into another folder, "]" and line breaks cannot stand in a
  // section header.
  return name.find_first_of(std::string_view("/]\r\n\0", 5)) != std::string_view::npos;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// The section copied key by key, in file order, to a new section at the end of the file, then erased.
void MoveSection(const config::TConfigStore& store, const std::string& from, const std::string& to) {
  const std::vector<std::string> lines = store.ReadSectionValues(from);
  try {
    for (const std::string& line : lines) {
      const size_t equals = line.find('=');  // key names hold no "="
      store.WriteString(to, line.substr(0, equals), line.substr(equals + 1));
    }
  } catch (const config::EConfigWriteError&) {
    // The old section is still whole: leave no half copy beside it.
    try {
      store.EraseSection(to);
    } catch (const config::EConfigWriteError&) {
    }
    throw;
  }
  store.EraseSection(from);
}

}  // namespace

TFrmDockArrowButton::TFrmDockArrowButton(fs::path home, TRobotList& robotList, TRobotWorkerTable& workerTable,
                                         search::TQuickSearchMenu& quickSearchMenu, base::TResultTabs& tabs,
                                         base::TDialogsPort& dialogs)
    : home_(std::move(home)),
      robotList_(robotList),
      workerTable_(workerTable),
      quickSearchMenu_(quickSearchMenu),
      tabs_(tabs),
      dialogs_(dialogs) {}

const std::vector<std::string>& TFrmDockArrowButton::Menu(TRobotMenu menu) const {
  return menus_[static_cast<size_t>(menu)];
}

void TFrmDockArrowButton::FillRobotMenus(const std::vector<std::string>& robots) {
  for (std::vector<std::string>& menu : menus_) menu = robots;
  MenusChanged();
}

void TFrmDockArrowButton::RegisterRobot(const std::string& name) {
  workerTable_.AddEntry();
  for (std::vector<std::string>& menu : menus_) menu.push_back(name);
  robotList_.AddIdle(name);
  MenusChanged();
}

std::string TFrmDockArrowButton::getRobotName(const TSender& sender) const {
  return robotList_.RobotOf(sender, kDeleteItemCaption);
}

std::string TFrmDockArrowButton::getRobotSelected() const { return robotList_.RobotOf(TSender::Button(), {}); }

config::TConfigStore TFrmDockArrowButton::RobotConfig() const {
  return config::TConfigStore(home_ / config::kRobotConfigFile);
}

bool TFrmDockArrowButton::Running(const std::string& robot) const {
  return workerTable_.Running(config::Read(RobotConfig(), robot, config::key::kRobotNo));
}

void TFrmDockArrowButton::Refuse(std::string_view message) const {
  dialogs_.MessageBox(message, "Erreur", base::TDialogsPort::TIcon::Error);
}

std::optional<std::string> TFrmDockArrowButton::RobotListBoxDblClick() {
  const std::string robot = getRobotSelected();
  if (robot.empty()) {
    Refuse(kChooseRobot);
    return std::nullopt;
  }
  if (Running(robot)) {
    Refuse(kStopBeforeEditing);
    return std::nullopt;
  }
  return robot;
}

std::optional<std::string> TFrmDockArrowButton::propertiesButtonClick() {
  const std::string robot = getRobotSelected();
  if (robot.empty()) {
    Refuse(kChooseRobotForProperties);
    return std::nullopt;
  }
  if (Running(robot)) {
    Refuse(kStopBeforeProperties);
    return std::nullopt;
  }
  return robot;
}

std::optional<fs::path> TFrmDockArrowButton::SideFile(std::string_view kind, const std::string& robot) const {
  if (kind == config::kind::kSearchEngine) return search::EngineFolder(home_, robot);
  // A web site robot finds its start URLs only under its own name.
  if (kind == config::kind::kWebSiteKeywordsSearch || kind == config::kind::kWebSiteBackup) {
    return config::StartUrlFile(home_, robot);
  }
  return std::nullopt;
}

std::optional<std::string> TFrmDockArrowButton::NewNameRefusal(const std::string& robot,
                                                               const std::string& newName) const {
  const auto sameName = [&newName](std::string_view name) { return config::SameName(name, newName); };
  const std::vector<std::string> sections = RobotConfig().ReadSections();
  // Cancelling the box gives the robot's own name, which is taken like any other.
  if (sameName(robot) || std::any_of(sections.begin(), sections.end(), sameName) ||
      config::IsProgramSection(newName)) {
    return std::string(kNameExists);
  }
  // Characters, not bytes: the names are UTF-8.
  if (newName.empty() || config::CharacterCount(newName) > config::kMaxRobotNameLength) {
    return std::string(kBadNameLength);
  }
  if (HasForbiddenCharacter(newName)) return std::string(kForbiddenNameCharacters);
  return std::nullopt;
}

bool TFrmDockArrowButton::RenameRobot(const std::string& robot) {
  if (robot.empty()) {
    Refuse(kChooseRobotToRename);
    return false;
  }
  if (Running(robot)) {
    Refuse(kStopBeforeRename);
    return false;
  }

  const std::optional<std::string> answer = dialogs_.InputBox(kRenameCaption, kRenamePrompt, robot);
  // Blanks around a section name do not survive the file, so they are not part of the name.
  const std::string newName(base::TrimBlanks(answer.value_or(robot)));
  if (const auto refusal = NewNameRefusal(robot, newName)) {
    Refuse(*refusal);
    return false;
  }

  const config::TConfigStore store = RobotConfig();
  const std::string kind = config::Read(store, robot, config::key::kDataFromRename);
  const std::optional<fs::path> from = SideFile(kind, robot);
  const std::optional<fs::path> to = SideFile(kind, newName);
  const bool moveSideFile = from && Exists(*from);
  // Files left behind by a deleted robot of that name are neither replaced nor merged into.
  if (moveSideFile && Exists(*to)) {
    Refuse(std::string(kNameExistsOnDisk) + to->string());
    return false;
  }

  // The files move first: a failure there changes nothing, and one of the section is undone.
  if (moveSideFile) fs::rename(*from, *to);
  try {
    MoveSection(store, robot, newName);
  } catch (const config::EConfigWriteError&) {
    std::error_code ignored;
    if (moveSideFile) fs::rename(*to, *from, ignored);
    throw;
  }

  robotList_.RenameIdle(robot, newName);
  RenameMenuItems(robot, newName);
  if (kind == config::kind::kSearchEngine) quickSearchMenu_.RenameRobot(robot, newName);
  MenusChanged();
  return true;
}

bool TFrmDockArrowButton::DeleteRobot(const std::string& robot) {
  if (robot.empty()) {
    Refuse(kChooseRobot);
    return false;
  }
  if (Running(robot)) {
    Refuse(kStopBeforeDelete);
    return false;
  }
  if (dialogs_.Question(kDeleteQuestion, "Question", false) != base::TDialogsPort::TAnswer::Yes) return false;

  RobotConfig().EraseSection(robot);
  robotList_.RemoveIdle(robot);
  RemoveMenuItems(robot);
  quickSearchMenu_.RemoveRobot(robot);
  MenusChanged();
  return true;
}

void TFrmDockArrowButton::CloseTabsBtnClick() {
  const std::string robot = getRobotSelected();
  if (robot.empty()) {
    Refuse(kChooseRobot);
    return;
  }
  tabs_.CloseAndFreeTabs(robot);
}

void TFrmDockArrowButton::Show() {
  visible_ = true;
  VisibilityChanged(true);
}

void TFrmDockArrowButton::Close() {
  visible_ = false;
  VisibilityChanged(false);
}

void TFrmDockArrowButton::RenameMenuItems(const std::string& oldName, const std::string& newName) {
  for (std::vector<std::string>& items : menus_) {
    if (const auto item = FindMenuItem(items, oldName); item != items.end()) *item = newName;
  }
}

void TFrmDockArrowButton::RemoveMenuItems(const std::string& robot) {
  for (std::vector<std::string>& items : menus_) {
    if (const auto item = FindMenuItem(items, robot); item != items.end()) items.erase(item);
  }
}

}  // namespace varnelo::runner
