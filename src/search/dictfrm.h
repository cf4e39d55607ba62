#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/field_change.h"
#include "search/dictionary_progress.h"
#include "shell/dialogs_port.h"

namespace varnelo::search {

struct TDictionaryRegistration {
  int number = 0;          // the dictionary's number: key `file<number>`
  size_t wordCount = 0;    // words of the normalised list
  bool rewritten = false;  // false when "<file>.bak" existed, so the file was registered as it was
};

// The dialog that registers a dictionary file ("Ajouter un dictionnaire..."): the file chosen, the
// dictionaries already registered, a progress bar, and the buttons "Ajouter" and "Annuler".
class Tdictfrm {
public:
  static constexpr std::string_view kCaption = "Ajouter un dictionnaire...";
  static constexpr std::string_view kListLabel = "Dictionnaire déjà dans la base de données";
  static constexpr std::string_view kProgressLabel = "Barre de progression";
  static constexpr std::string_view kAlreadyAdded = "Dictionnaire déjà ajouté";

  Tdictfrm(std::filesystem::path home, shell::TDialogsPort& dialogs);

  // What an operation changed. The bar's steps during "Ajouter" go to the progress handler; the
  // change names the bar once the operation is over.
  enum class TField { Visible, Dictionaries, Progress };
  base::TChangeSignal<TField> Changed;

  // Showing the dialog: the bar at 0 and the registered dictionaries listed.
  void Show();
  // Closing it: the list is emptied.
  void Close();
  bool Visible() const { return visible_; }

  // The full path of the file chosen in the file list; the chooser opens on DefaultFolder().
  std::filesystem::path chosenFile;
  std::filesystem::path DefaultFolder() const { return home_ / "dictionary"; }

  const std::vector<std::string>& Dictionaries() const { return dictionaries_; }
  int Progress() const { return progress_; }
  // The view's hook: called whenever the bar moves, after Progress() has changed.
  void SetProgressHandler(TDictionaryProgress handler) { progressHandler_ = std::move(handler); }

  // "Ajouter": registers chosenFile and closes the dialog. A path already registered shows "Dictionnaire
  // déjà ajouté" (caption "Erreur"), changes nothing, closes the dialog and returns nothing. A file
  // that cannot be read (or none chosen) throws EDictionaryReadError: nothing is registered and the
  // dialog stays open.
  std::optional<TDictionaryRegistration> ClickAdd();
  // "Annuler"
  void ClickCancel() { Close(); }

private:
  auto Watch();

  std::filesystem::path home_;
  shell::TDialogsPort& dialogs_;
  std::vector<std::string> dictionaries_;
  int progress_ = 0;
  bool visible_ = false;
  TDictionaryProgress progressHandler_;
};

}  // namespace varnelo::search
