#pragma once

#include <filesystem>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "results/category_list.h"
#include "search/quick_search_menu.h"

namespace varnelo::results {

// "Effacement d'une catégorie d'engin de recherche": removes a category; its search engine robots go
// back to "General".
class TFormCategoryDeletion {
public:
  static constexpr std::string_view kCaption = "Effacement d'une catégorie d'engin de recherche";
  static constexpr std::string_view kListCaption = "Choisissez la catégorie";
  static constexpr std::string_view kGeneralMessage = "You can't delete the general category";
  static constexpr std::string_view kMissingMessage = "Category don't exist";

  // Opens the dialog: fills the list with the category names.
  TFormCategoryDeletion(std::filesystem::path home, search::TQuickSearchMenu& menu, base::TDialogsPort& dialogs);

  // What an operation changed: the rows of the category list, the chosen entry.
  enum class TField { Categories, Chosen };
  base::TChangeSignal<TField> Changed;

  TCategoryList categories;  // "Choisissez la catégorie"

  // "Effacer"; nothing when no category is chosen.
  void ClickDelete();

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
