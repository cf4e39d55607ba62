#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "results/category_list.h"
#include "search/quick_search_menu.h"

namespace varnelo::results {

// "Renommer une catégorie": gives a category a new name, with the default icon, and moves its search
// engine robots along.
class TFormCategoryRename {
public:
  static constexpr std::string_view kCaption = "Renommer une catégorie";
  static constexpr std::string_view kListCaption = "Choisir la catégorie";
  static constexpr std::string_view kNewNameCaption = "Nouveau nom";
  static constexpr std::string_view kGeneralMessage = "Vous ne pouvez renommer la catégorie general";
  static constexpr std::string_view kExistsMessage = "Cette nouvelle catégorie existe déjà";

  // Opens the dialog: fills the list with the category names.
  TFormCategoryRename(std::filesystem::path home, search::TQuickSearchMenu& menu, base::TDialogsPort& dialogs);

  // What an operation changed: the rows of the category list, the chosen entry.
  enum class TField { Categories, Chosen };
  base::TChangeSignal<TField> Changed;

  TCategoryList categories;  // "Choisir la catégorie"
  std::string newName;       // "Nouveau nom"

  // "Renommer"; nothing when no category is chosen.
  void ClickRename();

  // A click in the category list: an index outside it chooses none.
  void ChooseCategory(std::optional<size_t> index);

private:
  auto Watch();
  void Message(std::string_view text) const;

  std::filesystem::path home_;
  search::TQuickSearchMenu& menu_;
  base::TDialogsPort& dialogs_;
};

}  // namespace varnelo::results
