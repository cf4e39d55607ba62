#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "base/result_tabs.h"
#include "base/signal.h"
#include "runner/robot_list.h"
#include "runner/robot_worker_table.h"
#include "runner/sender.h"
#include "search/quick_search_menu.h"

namespace varnelo::runner {

// Refusals of the robot panel (caption "Erreur").
inline constexpr std::string_view kChooseRobot = "Choisissez un robot";
inline constexpr std::string_view kChooseRobotForProperties = "Choississez un robot dans la liste";
inline constexpr std::string_view kChooseRobotToRename = "Choisissez un robot dans la liste";
inline constexpr std::string_view kStopBeforeEditing = "Doit être arrêter avant la configuration";
inline constexpr std::string_view kStopBeforeProperties = "Arrêter le robot avant la configuration";
inline constexpr std::string_view kStopBeforeRename = "You devez arrêter le robot avant de le renommer";
inline constexpr std::string_view kStopBeforeDelete = "You devez arrêter le robot avant de l'effacer";
inline constexpr std::string_view kNameExists = "Le nom existe déjà";
// A new name that no robot can have: empty or too long, as the robot editor says it, or holding what
// a section header or a file name cannot.
inline constexpr std::string_view kBadNameLength =
    "Le robot doit avoir un nom et doit contenir moins de 30 caractères";
inline constexpr std::string_view kForbiddenNameCharacters = "Le nom du robot ne peut contenir ni « / » ni « ] »";
// Followed by the path of the file or folder that is in the way.
inline constexpr std::string_view kNameExistsOnDisk = "Le nom existe déjà sur le disque : ";

inline constexpr std::string_view kRenameCaption = "Entrez le nouveau nom du robot";
inline constexpr std::string_view kRenamePrompt = "new name";
inline constexpr std::string_view kDeleteQuestion = "Effacer le robot ?";
// The caption of the delete menu item that stands for the selected robot.
inline constexpr std::string_view kDeleteItemCaption = "D&elete";
// The one item of the "Nouveau" menu.
inline constexpr std::string_view kNewRobotItemCaption = "Web";

// The four menus that list every robot by name.
enum class TRobotMenu { Start, Delete, Stop, Rename };

// The robot panel without its window: the robot menus as data, and the commands that change the set
// of robots (rename, delete), open the robot editor or close a robot's tabs. Start and stop are the
// runner's. Main thread only.
class TFrmDockArrowButton {
public:
  TFrmDockArrowButton(std::filesystem::path home, TRobotList& robotList, TRobotWorkerTable& workerTable,
                      search::TQuickSearchMenu& quickSearchMenu, base::TResultTabs& tabs,
                      base::TDialogsPort& dialogs);

  // The captions of a robot menu, in order.
  const std::vector<std::string>& Menu(TRobotMenu menu) const;
  // Start-up: every menu gets one item per robot, in the given (section) order.
  void FillRobotMenus(const std::vector<std::string>& robots);
  // What the runner's side does for a robot the editor has just created: one more empty worker table
  // entry, an item in each menu, and "<name>(idle)" at the end of the list. The editor writes
  // `robotno` itself.
  void RegisterRobot(const std::string& name);

  // The robot a command is about: the caption of a menu item other than "D&elete" without its first
  // "&", else the selected list entry; without the status suffix. Empty when there is none.
  std::string getRobotName(const TSender& sender) const;
  // The selected list entry without its suffix, or empty.
  std::string getRobotSelected() const;

  // The robot whose editor the front end opens, after the refusals; none when refused.
  std::optional<std::string> RobotListBoxDblClick();
  std::optional<std::string> propertiesButtonClick();
  // Asks for the new name and renames the robot everywhere: its section (moved to the end of the
  // file), its list entry in place, its menu items, its quick search entry, and the files it keeps
  // under its name. True when renamed. An empty name, or a running robot, is refused.
  bool RenameRobot(const std::string& robot);
  // Asks, then erases the robot's section, list entry and menu items. Its slot in the worker table
  // and its files stay. True when deleted.
  bool DeleteRobot(const std::string& robot);
  // The menu commands: the robot the sender names (getRobotName).
  bool RenameBtnClick(const TSender& sender) { return RenameRobot(getRobotName(sender)); }
  bool RemoveBtnClick(const TSender& sender) { return DeleteRobot(getRobotName(sender)); }
  // Closes every result tab of the selected robot that no worker owns.
  void CloseTabsBtnClick();
  // Asks the front end to open the robot editor for a new robot (NewRobotRequested).
  void BtnNewRobotClick() { NewRobotRequested(); }

  // The panel is shown modally; "Arrêter" (and a successful start, on the runner's side) closes it.
  bool Visible() const { return visible_; }
  void Show();
  void Close();
  void ButtonOKClick() { Close(); }

  // The robot menus changed (an item added, renamed or removed).
  base::TSignal<> MenusChanged;
  // The panel was shown or closed.
  base::TSignal<bool /*visible*/> VisibilityChanged;
  base::TSignal<> NewRobotRequested;

private:
  config::TConfigStore RobotConfig() const;
  bool Running(const std::string& robot) const;
  // A refusal: a message with the caption "Erreur".
  void Refuse(std::string_view message) const;
  // Why the robot cannot take `newName`: a name that is taken, or one that no robot can have.
  std::optional<std::string> NewNameRefusal(const std::string& robot, const std::string& newName) const;
  // The file or folder that a robot of this kind keeps under its name; none for the other kinds.
  std::optional<std::filesystem::path> SideFile(std::string_view kind, const std::string& robot) const;
  void RenameMenuItems(const std::string& oldName, const std::string& newName);
  void RemoveMenuItems(const std::string& robot);

  std::filesystem::path home_;
  TRobotList& robotList_;
  TRobotWorkerTable& workerTable_;
  search::TQuickSearchMenu& quickSearchMenu_;
  base::TResultTabs& tabs_;
  base::TDialogsPort& dialogs_;
  std::array<std::vector<std::string>, 4> menus_;
  bool visible_ = false;
};

}  // namespace varnelo::runner
