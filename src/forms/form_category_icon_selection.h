#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "results/category_list.h"
#include "search/quick_search_menu.h"

namespace varnelo::results {

// "Search Engine Category Icon Selection": gives a category, "General" included, another icon.
class TFormCategoryiconSelection {
public:
  static constexpr std::string_view kCaption = "Search Engine Category Icon Selection";
  static constexpr std::string_view kListCaption = "Choisir la catégorie";
  static constexpr std::string_view kChooseIconCaption = "Choisir l'icône";
  static constexpr std::string_view kMissingMessage = "The category doesn't exists";

  // Opens the dialog: fills the list with the category names.
  TFormCategoryiconSelection(std::filesystem::path home, search::TQuickSearchMenu& menu, base::TDialogsPort& dialogs);

  // What an operation changed: the rows of the category list, the chosen entry, or the icon and its
  // preview.
  enum class TField { Categories, Chosen, Icon, Preview };
  base::TChangeSignal<TField> Changed;

  TCategoryList categories;  // "Choisir la catégorie"
  std::string icon;          // "icône": an icon file name, looked up in the favicon folder
  // The file the preview shows: the last one chosen.
  const std::filesystem::path& Preview() const { return preview_; }

  // "Choisir l'icône"
  void ClickChooseIcon();
  // "Ok"; nothing when no category is chosen.
  void ClickOk();

  // A click in the category list: an index outside it chooses none.
  void ChooseCategory(std::optional<size_t> index);

private:
  auto Watch();
  void Message(std::string_view text) const;

  std::filesystem::path home_;
  search::TQuickSearchMenu& menu_;
  base::TDialogsPort& dialogs_;
  std::filesystem::path preview_;
};

}  // namespace varnelo::results
