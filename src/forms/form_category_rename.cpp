#include "forms/form_category_rename.h"

#include <tuple>

#include "config/config_keys.h"
#include "results/categories.h"

namespace varnelo::results {
namespace fs = std::filesystem;

auto TFormCategoryRename::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Categories, categories.Names()), Field(TField::Chosen, categories.Chosen()));
  });
}

TFormCategoryRename::TFormCategoryRename(fs::path home, search::TQuickSearchMenu& menu, base::TDialogsPort& dialogs)
    : home_(std::move(home)), menu_(menu), dialogs_(dialogs) {
  categories.Fill(home_);
}

void TFormCategoryRename::ChooseCategory(std::optional<size_t> index) {
  const auto watch = Watch();
  categories.Choose(index);
}

void TFormCategoryRename::Message(std::string_view text) const {
  dialogs_.MessageBox(text, base::kApplicationTitle, base::TDialogsPort::TIcon::None);
}

void TFormCategoryRename::ClickRename() {
  const auto oldName = categories.ChosenName();
  if (!oldName) return;
  if (*oldName == kDefaultCategory) return Message(kGeneralMessage);
  const config::TConfigStore categoryFile(CategoryFilePath(home_));
  if (IsCategory(categoryFile, newName)) return Message(kExistsMessage);
  if (const auto problem = CategoryNameProblem(newName)) return Message(*problem);

  // The former icon is not carried over.
  categoryFile.EraseSection(*oldName);
  config::Write(categoryFile, newName, kCategoryIconFile, kRenamedCategoryIcon);
  MoveSearchEngineRobots(config::TConfigStore(home_ / config::kRobotConfigFile), *oldName, newName);
  menu_.RenameCategory(*oldName, newName);
  Message("Renommer " + *oldName + " vers " + newName + " s'est déroulé avec succès");
}

}  // namespace varnelo::results
