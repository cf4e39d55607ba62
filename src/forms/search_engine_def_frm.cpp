#include "forms/search_engine_def_frm.h"

#include <tuple>

#include "base/text.h"
#include "config/config_store.h"
#include "config/ini_text.h"
#include "search/definition_paths.h"
#include "search/search_engine_definition.h"

namespace varnelo::search {

namespace {
constexpr std::string_view kQuerySymbol = "$_";
bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }
}  // namespace

auto TSearchEngineDefFrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Url, url), Field(TField::PostQuery, postQuery), Field(TField::Rss, rss),
                           Field(TField::ModalResult, modalResult_));
  });
}

TSearchEngineDefFrm::TSearchEngineDefFrm(std::filesystem::path home, std::string relativeName,
                                         base::TDialogsPort& dialogs)
    : home_(std::move(home)), fileName_(std::move(relativeName)), dialogs_(dialogs) {
  const TSearchEngineDefinition definition = ReadSearchEngineDefinition(FilePath());
  url = definition.getQuery;
  postQuery = definition.postQuery;
  rss = definition.rss;
}

std::filesystem::path TSearchEngineDefFrm::FilePath() const { return DefinitionsFolder(home_) / fileName_; }

void TSearchEngineDefFrm::ClickSave() {
  const auto watch = Watch();
  const auto refuse = [&](std::string_view message) {
    dialogs_.MessageBox(message, "Erreur", base::TDialogsPort::TIcon::Error);
  };
  if (!Contains(url, kQuerySymbol) && !rss && !Contains(postQuery, kQuerySymbol)) return refuse(kMissingSymbolMessage);
  if (base::TrimBlanks(url).empty()) return refuse(kEmptyUrlMessage);
  if (Contains(fileName_, ",")) return refuse(kCommaInFileNameMessage);
  try {
    WriteSearchEngineDefinition(FilePath(), {url, rss, postQuery});
    modalResult_ = TModalResult::Ok;
  } catch (const config::EConfigWriteError&) {
    refuse(kSaveFailedMessage);
    // The dialog closes all the same, but not as if the definition had been saved.
    modalResult_ = TModalResult::Cancel;
  }
}

void TSearchEngineDefFrm::ClickCancel() {
  const auto watch = Watch();
  modalResult_ = TModalResult::Cancel;
}

}  // namespace varnelo::search
