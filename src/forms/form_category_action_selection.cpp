#include "forms/form_category_action_selection.h"

#include <tuple>

namespace varnelo::results {

void TFormCategoryActionSelection::Choose(std::optional<size_t> index) {
  const auto watch = Changed.Watch([this] { return std::make_tuple(base::Field(TField::Chosen, chosen)); });
  chosen = index && *index < kItems.size() ? index : std::nullopt;
}

std::optional<TFormCategoryActionSelection::TAction> TFormCategoryActionSelection::ClickNext() const {
  if (!chosen || *chosen >= kItems.size()) return std::nullopt;
  return kItems[*chosen].action;
}

}  // namespace varnelo::results
