#include "search/dictfrm.h"

#include <tuple>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "search/dictionary_file.h"
#include "search/dictionary_register.h"

namespace varnelo::search {

auto Tdictfrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Visible, visible_), Field(TField::Dictionaries, dictionaries_),
                           Field(TField::Progress, progress_));
  });
}

Tdictfrm::Tdictfrm(std::filesystem::path home, shell::TDialogsPort& dialogs)
    : home_(std::move(home)), dialogs_(dialogs) {}

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

std::optional<TDictionaryRegistration> Tdictfrm::ClickAdd() {
  const auto watch = Watch();
  // An empty path would match an emptied key below; it is no file at all.
  if (chosenFile.empty()) throw EDictionaryReadError(chosenFile, "no file chosen");
  const config::TConfigStore store(home_ / config::kRobotConfigFile);
  if (IsDictionaryRegistered(store, chosenFile.string())) {
    dialogs_.MessageBox(kAlreadyAdded, "Erreur", shell::TDialogsPort::TIcon::Error);
    Close();
    return std::nullopt;
  }
  const TNormalisation normalisation = NormaliseDictionaryFile(chosenFile, [this](TDictionaryPhase phase, int position) {
    progress_ = position;
    if (progressHandler_) progressHandler_(phase, position);
  });
  TDictionaryRegistration registration;
  registration.number = AddDictionary(store, chosenFile.string());
  registration.wordCount = normalisation.wordCount;
  registration.rewritten = normalisation.rewritten;
  Close();
  return registration;
}

}  // namespace varnelo::search
