#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/background_task.h"
#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "base/main_queue.h"
#include "base/signal.h"
#include "base/thread_start.h"
#include "search/dictionary_progress.h"

namespace varnelo::search {

struct TDictionaryRegistration {
  int number = 0;          // the dictionary's number: key `file<number>`
  size_t wordCount = 0;    // words of the normalised list
  bool rewritten = false;  // false when "<file>.bak" existed, so the file was registered as it was
};

// How an "Ajouter" ended.
struct TDictionaryAddOutcome {
  // None when the path was registered already, or when the registration failed.
  std::optional<TDictionaryRegistration> registration;
  // What made it fail: EDictionaryReadError, or std::system_error when the file could not be rewritten.
  std::exception_ptr error;
};

// The dialog that registers a dictionary file ("Ajouter un dictionnaire..."): the file chosen, the
// dictionaries already registered, a progress bar, and the buttons "Ajouter" and "Annuler". The file
// work of a registration runs off the main thread, so that the window goes on answering.
class Tdictfrm {
public:
  static constexpr std::string_view kCaption = "Ajouter un dictionnaire...";
  static constexpr std::string_view kListLabel = "Dictionnaire déjà dans la base de données";
  static constexpr std::string_view kProgressLabel = "Barre de progression";
  static constexpr std::string_view kAlreadyAdded = "Dictionnaire déjà ajouté";

  // `startThread` makes the thread of a registration.
  Tdictfrm(std::filesystem::path home, base::TDialogsPort& dialogs, base::TMainQueue& mainQueue,
           base::TThreadStart startThread = base::StartThread);

  // What an operation changed; during "Ajouter" each step of the bar is a change too.
  enum class TField { Visible, Dictionaries, Progress };
  base::TChangeSignal<TField> Changed;

  // Showing the dialog: the bar at 0 and the registered dictionaries listed.
  void Show();
  // Closing it: the list is emptied. A registration under way goes on.
  void Close();
  bool Visible() const { return visible_; }

  // The full path of the file chosen in the file list; the chooser opens on DefaultFolder().
  std::filesystem::path chosenFile;
  std::filesystem::path DefaultFolder() const { return home_ / "dictionary"; }

  const std::vector<std::string>& Dictionaries() const { return dictionaries_; }
  // The bar's position, 0 to 100.
  int Progress() const { return progress_; }
  // The registration under way: its phase and how much of it is done (bytes read of the file's
  // size, then words written of the word count), each time the bar moves and when a phase is
  // complete. Progress() has moved already.
  base::TSignal<TDictionaryPhase, std::uint64_t /*done*/, std::uint64_t /*total*/> ProgressChanged;
  // Every "Ajouter" ends with one of these, with its outcome.
  base::TSignal<const TDictionaryAddOutcome&> AddFinished;

  // "Ajouter": registers chosenFile and closes the dialog. The file is read, normalised and
  // registered off the main thread, and AddFinished comes through the main queue. A path already
  // registered shows "Dictionnaire déjà ajouté" (caption "Erreur"), changes nothing, closes the dialog
  // and ends at once. A failure registers nothing, leaves the dialog open and, after AddFinished,
  // raises its error: EDictionaryReadError at once when no file is chosen, otherwise the file's
  // error from the main queue's call (to the queue's error handler, the application's error dialog).
  // A click while a registration is under way does nothing.
  void ClickAdd();
  bool Adding() const { return task_.Busy(); }
  // "Annuler"
  void ClickCancel() { Close(); }

private:
  auto Watch();
  void Registered(const TDictionaryRegistration& registration);
  void Failed(const std::exception_ptr& error);

  std::filesystem::path home_;
  base::TDialogsPort& dialogs_;
  std::vector<std::string> dictionaries_;
  int progress_ = 0;
  bool visible_ = false;
  // Last, so that its thread, which uses the members above, ends first.
  base::TBackgroundTask task_;
};

}  // namespace varnelo::search
