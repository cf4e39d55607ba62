#include "forms/form_category_icon_selection.h"

#include <tuple>

#include "results/categories.h"

namespace varnelo::results {
namespace fs = std::filesystem;

auto TFormCategoryiconSelection::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Categories, categories.Names()), Field(TField::Chosen, categories.Chosen()),
                           Field(TField::Icon, icon), Field(TField::Preview, preview_));
  });
}

TFormCategoryiconSelection::TFormCategoryiconSelection(fs::path home, search::TQuickSearchMenu& menu,
                                                       base::TDialogsPort& dialogs)
    : home_(std::move(home)), menu_(menu), dialogs_(dialogs) {
  categories.Fill(home_);
}

void TFormCategoryiconSelection::ChooseCategory(std::optional<size_t> index) {
  const auto watch = Watch();
  categories.Choose(index);
}

void TFormCategoryiconSelection::Message(std::string_view text) const {
  dialogs_.MessageBox(text, base::kApplicationTitle, base::TDialogsPort::TIcon::None);
}

void TFormCategoryiconSelection::ClickChooseIcon() {
  const auto chosen = ChooseIconFile(dialogs_, home_, kChooseIconCaption);
  if (!chosen) return;
  const auto watch = Watch();
  icon = chosen->filename().string();
  preview_ = *chosen;
}

void TFormCategoryiconSelection::ClickOk() {
  const auto name = categories.ChosenName();
  if (!name) return;
  const config::TConfigStore categoryFile(CategoryFilePath(home_));
  if (!IsCategory(categoryFile, *name)) return Message(kMissingMessage);
  if (const auto problem = IconFileProblem(icon)) return Message(*problem);

  config::Write(categoryFile, *name, kCategoryIconFile, icon);
  menu_.SetCategoryIcon(*name, home_ / kFaviconFolder / icon);
}

}  // namespace varnelo::results
