#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "base/field_change.h"

namespace varnelo::results {

// The category dialog: the user picks one of four actions, whose dialog the front end then opens.
class TFormCategoryActionSelection {
public:
  static constexpr std::string_view kCaption = "Gestion des catégories";
  static constexpr std::string_view kText = "Que voulez-vous faire?";
  static constexpr std::string_view kActionsCaption = "Actions";

  enum class TAction { Create, Delete, Rename, Icon };
  struct TItem {
    std::string_view caption;
    TAction action;
  };
  static constexpr std::array<TItem, 4> kItems{{
      {"Créer une catégorie", TAction::Create},
      {"Effacer une catégorie", TAction::Delete},
      {"Renommer une catégorie", TAction::Rename},
      {"Choisir un icône pour une catégorie", TAction::Icon},
  }};

  enum class TField { Chosen };
  base::TChangeSignal<TField> Changed;

  // The chosen item of "Actions"; none at first.
  std::optional<size_t> chosen;
  // A click in "Actions": an index past the items chooses none.
  void Choose(std::optional<size_t> index);

  // "Suivant...": the action whose dialog to open; nothing when no item is chosen.
  std::optional<TAction> ClickNext() const;
};

}  // namespace varnelo::results
