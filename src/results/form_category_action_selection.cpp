#include "results/form_category_action_selection.h"

namespace varnelo::results {

std::optional<TFormCategoryActionSelection::TAction> TFormCategoryActionSelection::ClickNext() const {
  if (!chosen || *chosen >= kItems.size()) return std::nullopt;
  return kItems[*chosen].action;
}

}  // namespace varnelo::results
