#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/field_change.h"
#include "config/config_keys.h"

namespace varnelo::search {

// The dialog's record: a robot and the path of the dictionary associated with it (empty for none).
struct association {
  std::string robot;
  std::string dictionary;
  bool operator==(const association&) const = default;
};

// The dialog "Associer un dictionnaire à un robot": the robots and the registered dictionaries, one
// association per robot held in memory until "Enregistrer" writes the robots' `dict` keys.
class Tassociate {
public:
  static constexpr std::string_view kCaption = "Associer un dictionnaire à un robot";
  enum class TModalResult { None, Ok, Cancel };

  // Opened for the robot being edited.
  Tassociate(std::filesystem::path home, std::string robotName);

  enum class TField { Robots, Dictionaries, Associations, SelectedRobot, SelectedDictionary, ModalResult };
  base::TChangeSignal<TField> Changed;

  // Loading the dialog: both lists, every robot's association, and the selection of the robot it was
  // opened for with its dictionary.
  void Load();

  const std::vector<std::string>& Robots() const { return robots_; }
  const std::vector<std::string>& Dictionaries() const { return dictionaries_; }
  const std::vector<association>& Associations() const { return associations_; }
  std::optional<size_t> SelectedRobot() const { return selectedRobot_; }
  std::optional<size_t> SelectedDictionary() const { return selectedDictionary_; }

  // A click in the robot list: selects the dictionary of its association, or none.
  void ClickRobot(size_t index);
  // A click in the dictionary list: with a robot selected, it becomes that robot's association.
  void ClickDictionary(size_t index);

  // "Enregistrer": writes `dict` of every robot whose association is in the dictionary list, closes
  // with OK and returns the association of the robot the dialog was opened for.
  std::string ClickSave();
  // "Cancel": closes; the associations are dropped.
  void ClickCancel();
  TModalResult ModalResult() const { return modalResult_; }

private:
  auto Watch();
  std::filesystem::path RobotConfigPath() const { return home_ / config::kRobotConfigFile; }
  std::string AssociationOf(std::string_view robot) const;

  std::filesystem::path home_;
  std::string robotName_;
  std::vector<std::string> robots_;
  std::vector<std::string> dictionaries_;
  std::vector<association> associations_;
  std::optional<size_t> selectedRobot_;
  std::optional<size_t> selectedDictionary_;
  TModalResult modalResult_ = TModalResult::None;
};

}  // namespace varnelo::search
