#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "search/modal_result.h"

namespace varnelo::search {

inline constexpr std::string_view kSearchEngineDefCaption = "Action Definition";
inline constexpr std::string_view kMissingSymbolMessage =
    "Le champ doit contenir le symbole '$_' si vous ne spécifiez pas la requête http post et ce n'est pas un rss";
inline constexpr std::string_view kEmptyUrlMessage = "Le champs url doit contenir quelquechose";
inline constexpr std::string_view kCommaInFileNameMessage = "Le nom de fichier ne doit pas contenir de virgules";
inline constexpr std::string_view kSaveFailedMessage = "Erreur lors de la sauvegarde";

// The search engine definition editor, opened by the robot editor on "<robot>/<engine>".
class TSearchEngineDefFrm {
public:
  // Opens the dialog: the fields show the definition (empty for a missing file).
  TSearchEngineDefFrm(std::filesystem::path home, std::string relativeName, base::TDialogsPort& dialogs);

  enum class TField { Url, PostQuery, Rss, ModalResult };
  base::TChangeSignal<TField> Changed;

  // The file name field, not editable.
  const std::string& FileName() const { return fileName_; }
  std::filesystem::path FilePath() const;

  std::string url;        // getquery
  std::string postQuery;  // "Requête HTTP POST"
  bool rss = false;       // "C'est un flux rss"

  // "Enregistrer": checks, then writes and closes with OK; a failed check keeps the dialog open.
  void ClickSave();
  // "Annuler": closes without writing.
  void ClickCancel();

  TModalResult ModalResult() const { return modalResult_; }

private:
  auto Watch();

  std::filesystem::path home_;
  std::string fileName_;
  base::TDialogsPort& dialogs_;
  TModalResult modalResult_ = TModalResult::None;
};

}  // namespace varnelo::search
