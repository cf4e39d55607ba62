#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "base/field_change.h"

namespace varnelo::filters {

// The special settings of the random HTTP query robots: the spam words that disqualify a page, the
// largest number of results taken from one page, and a folder, all in [general] of robotconfig.ini.
class TAntiAntiSpamFrm {
public:
  static constexpr std::string_view kCaption = "Configuration spéciale pour le robot \"Requête aléatoire Http\"";
  static constexpr std::string_view kWordsLabel = "Quand ce robot rencontre ces mots, ne pas extraire d'informations";
  static constexpr std::string_view kMaxExtractedItemsLabel = "nombre maximal de résultats extraits sur une page web";
  static constexpr std::string_view kOutputDirLabel =
      "Enregistrer les pages qui contiennent plus que x résultats dans :";
  static constexpr std::string_view kGarbageFolder = "antiantispam-garbage";

  // Opens the dialog: reads the three keys into the fields.
  TAntiAntiSpamFrm(std::filesystem::path home, base::TDialogsPort& dialogs);

  enum class TField { Words, SelectedWord, MaxExtractedItems, OutputDir };
  base::TChangeSignal<TField> Changed;

  const std::vector<std::string>& Words() const { return words_; }
  std::optional<size_t> selectedWord;  // the selected entry of the word list
  std::string wordField;               // the text beside "Ajouter ->"
  std::string maxExtractedItems;       // the number field, as typed
  std::string outputDir;               // the folder chooser's folder

  // "Ajouter ->": appends every piece of the word field cut at ",", empty pieces included; the field
  // keeps its text.
  void ClickAdd();
  // "<- Enlever": removes the selected word; nothing when none is selected.
  void ClickRemove();
  // The folder chooser.
  void ClickChooseFolder();
  // "OK": writes the three keys and returns true, so that the dialog closes. A setting that the file
  // could not give back as it stands is refused with a message and nothing is written.
  bool ClickOk();

private:
  auto Watch();
  void Refuse(std::string_view text) const;

  std::filesystem::path home_;
  base::TDialogsPort& dialogs_;
  std::vector<std::string> words_;
};

}  // namespace varnelo::filters
