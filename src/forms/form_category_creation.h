#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "search/quick_search_menu.h"

namespace varnelo::results {

// "Add new Search Engine Category": adds a section to the category file and its entry to the engine
// menu.
class TFormCategoryCreation {
public:
  static constexpr std::string_view kCaption = "Add new Search Engine Category";
  static constexpr std::string_view kChooseIconCaption = "Choisir un icone";
  static constexpr std::string_view kExistsMessage = "la catégorie existe déjà";
  static constexpr std::string_view kSavedMessage = "La sauvegarde s'est déroulé avec succès";

  TFormCategoryCreation(std::filesystem::path home, search::TQuickSearchMenu& menu, base::TDialogsPort& dialogs);

  enum class TField { Name, Icon, Preview };
  base::TChangeSignal<TField> Changed;

  std::string name;  // "Nom de la catégorie"
  std::string icon;  // "Icône": an icon file name, looked up in the favicon folder
  // The file the preview shows: the last one chosen.
  const std::filesystem::path& Preview() const { return preview_; }

  // "Choisir un icone"
  void ClickChooseIcon();
  // "Enregistrer"
  void ClickSave();

private:
  auto Watch();
  void Message(std::string_view text) const;

  std::filesystem::path home_;
  search::TQuickSearchMenu& menu_;
  base::TDialogsPort& dialogs_;
  std::filesystem::path preview_;
};

}  // namespace varnelo::results
