#include "forms/dictfrm.h"

#include <memory>
#include <tuple>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "search/dictionary_file.h"
#include "search/dictionary_register.h"

namespace varnelo::search {
namespace {

// Thrown through the normalisation when the dialog goes away during it; nothing catches it but the
// task, whose end no longer runs.
struct TAbandoned {};

}  // namespace

auto Tdictfrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Visible, visible_), Field(TField::Dictionaries, dictionaries_),
                           Field(TField::Progress, progress_));
  });
}

Tdictfrm::Tdictfrm(std::filesystem::path home, base::TDialogsPort& dialogs, base::TMainQueue& mainQueue,
                   base::TThreadStart startThread)
    : home_(std::move(home)), dialogs_(dialogs), task_(mainQueue, std::move(startThread)) {}

void Tdictfrm::Show() {
  const auto watch = Watch();
  progress_ = 0;
  dictionaries_ = NumberedDictionaries(config::TConfigStore(home_ / config::kRobotConfigFile));
  visible_ = true;
}

void Tdictfrm::Close() {
  const auto watch = Watch();
  dictionaries_.clear();
  visible_ = false;
}

void Tdictfrm::ClickAdd() {
  if (task_.Busy()) return;
  const auto watch = Watch();
  // An empty path would match an emptied key below; it is no file at all.
  if (chosenFile.empty()) {
    const EDictionaryReadError error(chosenFile, "no file chosen");
    AddFinished(TDictionaryAddOutcome{std::nullopt, std::make_exception_ptr(error)});
    throw error;
  }
  const config::TConfigStore store(home_ / config::kRobotConfigFile);
  if (IsDictionaryRegistered(store, chosenFile.string())) {
    dialogs_.MessageBox(kAlreadyAdded, "Erreur", base::TDialogsPort::TIcon::Error);
    Close();
    AddFinished(TDictionaryAddOutcome{});
    return;
  }
  auto registration = std::make_shared<TDictionaryRegistration>();
  const auto work = [this, store, file = chosenFile, registration] {
    const TNormalisation normalisation =
        NormaliseDictionaryFile(file, [this](TDictionaryPhase phase, std::uint64_t done, std::uint64_t total) {
          if (task_.Cancelled()) throw TAbandoned{};
          task_.Post([this, phase, done, total] {
            const auto watch = Watch();
            progress_ = ProgressPosition(done, total);
            ProgressChanged(phase, done, total);
          });
        });
    // The configuration store serialises its writers, whatever their thread.
    registration->number = AddDictionary(store, file.string());
    registration->wordCount = normalisation.wordCount;
    registration->rewritten = normalisation.rewritten;
  };
  task_.Start(work, [this, registration](const std::exception_ptr& error) {
    if (error) {
      Failed(error);
    } else {
      Registered(*registration);
    }
  });
}

void Tdictfrm::Registered(const TDictionaryRegistration& registration) {
  const auto watch = Watch();
  Close();
  AddFinished(TDictionaryAddOutcome{registration, nullptr});
}

void Tdictfrm::Failed(const std::exception_ptr& error) {
  AddFinished(TDictionaryAddOutcome{std::nullopt, error});
  std::rethrow_exception(error);
}

}  // namespace varnelo::search
