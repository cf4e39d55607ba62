#include "forms/form_category_creation.h"

#include <tuple>

#include "results/categories.h"

namespace varnelo::results {
namespace fs = std::filesystem;

auto TFormCategoryCreation::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Name, name), Field(TField::Icon, icon), Field(TField::Preview, preview_));
  });
}

TFormCategoryCreation::TFormCategoryCreation(fs::path home, search::TQuickSearchMenu& menu,
                                             base::TDialogsPort& dialogs)
    : home_(std::move(home)), menu_(menu), dialogs_(dialogs) {}

void TFormCategoryCreation::Message(std::string_view text) const {
  dialogs_.MessageBox(text, base::kApplicationTitle, base::TDialogsPort::TIcon::None);
}

void TFormCategoryCreation::ClickChooseIcon() {
  const auto chosen = ChooseIconFile(dialogs_, home_, kChooseIconCaption);
  if (!chosen) return;
  const auto watch = Watch();
  icon = chosen->filename().string();
  preview_ = *chosen;
}

void TFormCategoryCreation::ClickSave() {
  const config::TConfigStore categories(CategoryFilePath(home_));
  if (IsCategory(categories, name)) return Message(kExistsMessage);
  // Names and icons that the file could not give back as typed are refused before anything is written.
  if (const auto problem = CategoryNameProblem(name)) return Message(*problem);
  if (const auto problem = IconFileProblem(icon)) return Message(*problem);

  config::Write(categories, name, kCategoryIconFile, icon);
  Message(kSavedMessage);
  menu_.AddCategory(name, home_ / kFaviconFolder / icon);
}

}  // namespace varnelo::results
