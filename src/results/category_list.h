#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnelo::results {

// The drop-down list of categories of a category dialog, filled when the dialog opens, and the entry
// the user has chosen in it.
class TCategoryList {
public:
  void Fill(const std::filesystem::path& home);

  const std::vector<std::string>& Names() const { return names_; }
  // Chooses the entry at `index`; an index outside the list chooses none.
  void Choose(std::optional<size_t> index);
  std::optional<size_t> Chosen() const { return chosen_; }
  // The chosen entry's name; nothing when none is chosen.
  std::optional<std::string> ChosenName() const;

private:
  std::vector<std::string> names_;
  std::optional<size_t> chosen_;
};

}  // namespace varnelo::results
