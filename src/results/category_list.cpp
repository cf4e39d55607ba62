#include "results/category_list.h"

#include "results/categories.h"

namespace varnelo::results {

void TCategoryList::Fill(const std::filesystem::path& home) {
  names_ = CategoryNames(home);
  // A drop-down list shows its first entry.
  chosen_ = names_.empty() ? std::nullopt : std::optional<size_t>(0);
}

void TCategoryList::Choose(std::optional<size_t> index) {
  chosen_ = index && *index < names_.size() ? index : std::nullopt;
}

std::optional<std::string> TCategoryList::ChosenName() const {
  if (!chosen_) return std::nullopt;
  return names_[*chosen_];
}

}  // namespace varnelo::results
