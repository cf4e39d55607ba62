#include "forms/form_category_deletion.h"

#include <string>
#include <tuple>

#include "config/config_keys.h"
#include "results/categories.h"

namespace varnelo::results {
namespace fs = std::filesystem;

auto TFormCategoryDeletion::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Categories, categories.Names()), Field(TField::Chosen, categories.Chosen()));
  });
}

TFormCategoryDeletion::TFormCategoryDeletion(fs::path home, search::TQuickSearchMenu& menu,
                                             base::TDialogsPort& dialogs)
    : home_(std::move(home)), menu_(menu), dialogs_(dialogs) {
  categories.Fill(home_);
}

void TFormCategoryDeletion::ChooseCategory(std::optional<size_t> index) {
  const auto watch = Watch();
  categories.Choose(index);
}

void TFormCategoryDeletion::Message(std::string_view text) const {
  dialogs_.MessageBox(text, base::kApplicationTitle, base::TDialogsPort::TIcon::None);
}

void TFormCategoryDeletion::ClickDelete() {
  const auto name = categories.ChosenName();
  if (!name) return;
  if (*name == kDefaultCategory) return Message(kGeneralMessage);
  const config::TConfigStore categoryFile(CategoryFilePath(home_));
  if (!IsCategory(categoryFile, *name)) return Message(kMissingMessage);

  categoryFile.EraseSection(*name);
  MoveSearchEngineRobots(config::TConfigStore(home_ / config::kRobotConfigFile), *name, kDefaultCategory);
  menu_.RemoveCategory(*name);
  Message("Deleting " + *name + " was successful");
}

}  // namespace varnelo::results
