#include "forms/associate.h"

#include <algorithm>
#include <tuple>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "search/dictionary_register.h"

namespace varnelo::search {

auto Tassociate::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Robots, robots_), Field(TField::Dictionaries, dictionaries_),
                           Field(TField::Associations, associations_), Field(TField::SelectedRobot, selectedRobot_),
                           Field(TField::SelectedDictionary, selectedDictionary_),
                           Field(TField::ModalResult, modalResult_));
  });
}

Tassociate::Tassociate(std::filesystem::path home, std::string robotName)
    : home_(std::move(home)), robotName_(std::move(robotName)) {}

void Tassociate::Load() {
  const auto watch = Watch();
  const config::TConfigStore store(RobotConfigPath());
  robots_.clear();
  for (std::string& section : store.ReadSections()) {
    if (section != config::section::kGeneral && section != config::section::kDictionary) {
      robots_.push_back(std::move(section));
    }
  }
  dictionaries_ = DictionaryList(store);

  associations_.clear();
  for (const std::string& robot : robots_) {
    const std::string dict = store.ReadString(robot, config::key::kDictRunner.name, "");
    const std::string path = dict.empty() ? "" : store.ReadString(config::section::kDictionary, "file" + dict, "");
    associations_.push_back({robot, path});
  }

  selectedRobot_.reset();
  selectedDictionary_.reset();
  const auto opened = std::find(robots_.begin(), robots_.end(), robotName_);
  if (opened != robots_.end()) {
    selectedRobot_ = static_cast<size_t>(opened - robots_.begin());
    const int dict = store.ReadInteger(robotName_, config::key::kDictRunner.name, 0);
    if (dict > 0 && static_cast<size_t>(dict) <= dictionaries_.size()) selectedDictionary_ = static_cast<size_t>(dict) - 1;
  }
}

void Tassociate::ClickRobot(size_t index) {
  const auto watch = Watch();
  if (index >= robots_.size()) return;
  selectedRobot_ = index;
  selectedDictionary_.reset();
  const auto found = std::find(dictionaries_.begin(), dictionaries_.end(), associations_[index].dictionary);
  if (found != dictionaries_.end()) selectedDictionary_ = static_cast<size_t>(found - dictionaries_.begin());
}

void Tassociate::ClickDictionary(size_t index) {
  const auto watch = Watch();
  if (index >= dictionaries_.size()) return;
  selectedDictionary_ = index;
  if (selectedRobot_) associations_[*selectedRobot_].dictionary = dictionaries_[index];
}

std::string Tassociate::ClickSave() {
  const auto watch = Watch();
  const config::TConfigStore store(RobotConfigPath());
  for (const association& item : associations_) {
    // An empty path is no dictionary, even where a key of the section was left empty.
    if (item.dictionary.empty()) continue;
    const auto found = std::find(dictionaries_.begin(), dictionaries_.end(), item.dictionary);
    if (found == dictionaries_.end()) continue;
    store.WriteString(item.robot, config::key::kDictRunner.name, std::to_string(found - dictionaries_.begin() + 1));
  }
  modalResult_ = TModalResult::Ok;
  return AssociationOf(robotName_);
}

void Tassociate::ClickCancel() {
  const auto watch = Watch();
  associations_.clear();
  modalResult_ = TModalResult::Cancel;
}

std::string Tassociate::AssociationOf(std::string_view robot) const {
  for (const association& item : associations_) {
    if (item.robot == robot) return item.dictionary;
  }
  return "";
}

}  // namespace varnelo::search
