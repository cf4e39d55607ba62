#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "search/modal_result.h"
#include "search/random_query_definition.h"

namespace varnelo::search {

inline constexpr std::string_view kBuildRobotDefCaption = "Choisir/Créer un fichier de définitions d'actions";
inline constexpr std::string_view kGetQuerySymbolMessage = "Doit contenir le symbole spécial $_";
inline constexpr std::string_view kEmptyUrlRegexpMessage = "L'expression régulière du URL doit contenir quelque chose";
inline constexpr std::string_view kCommaInNameMessage = "le nom de fichier ne doit pas contenir de virugles";
inline constexpr std::string_view kSaveAsGetQueryMessage = "La requête HTTP Get doit contenir le symbole '$_'";
inline constexpr std::string_view kSaveAsCommaMessage = "Le nom de fichier ne doit pas contenir de virgules";
inline constexpr std::string_view kWriteFailedMessage = "un erreur s'est produit lors de l'enregistrement";
inline constexpr std::string_view kChooseQuestion =
    "Voulez-vous enregistrer les changements? Si le fichier n'existe pas, vous ne pourrez pas le choisir";
inline constexpr std::string_view kMissingFileMessage = "Le fichier n'existe pas";
inline constexpr std::string_view kDefinitionExtension = ".def";
inline constexpr std::string_view kDefinitionFilter = "*.def";

// The random query definition builder, opened by the robot editor on the robot's definition file name.
// When it closes with OK, FileName() is the robot's new definition file.
class TFrmBuildRobotDef {
public:
  enum class TLimitationChoice { Standard, RegularExpression };
  // The entries of the two operator lists, and the captions of the limitation type choice.
  static constexpr std::array<std::string_view, 5> kOperators{"<", "<=", "=", ">=", ">"};
  static constexpr std::array<std::string_view, 2> kLimitationCaptions{"Standard", "Expression régulière"};

  // Opens the dialog and loads the named file (all defaults when it does not exist).
  TFrmBuildRobotDef(std::filesystem::path home, std::string fileName, base::TDialogsPort& dialogs);

  // What an operation changed: one of the fields below, the limitation type, or the dialog's state.
  enum class TField {
    FileName,
    StartResult,
    EndResult,
    UrlRegexp,
    GetQuery,
    DataLimitingRegexp,
    WordRelopStartResult,
    WordRelopEndResult,
    RelopStartIndex,
    RelopEndIndex,
    IFlag,
    MFlag,
    SFlag,
    XFlag,
    GFlag,
    RFlag,
    LimitationChoice,
    Saved,
    ModalResult,
  };
  base::TChangeSignal<TField> Changed;

  // The fields. An operator is an index into kOperators, or -1 when none is selected.
  std::string fileName;
  std::string startResult;
  std::string endResult;
  std::string urlRegexp;
  std::string getQuery;
  std::string dataLimitingRegexp;
  std::string wordRelopStartResult;
  std::string wordRelopEndResult;
  int relopStartIndex = -1;
  int relopEndIndex = -1;
  bool iFlag = false;
  bool mFlag = true;
  bool sFlag = false;
  bool xFlag = false;
  bool gFlag = false;
  bool rFlag = false;  // "r Russian"

  TLimitationChoice LimitationChoice() const { return limitationChoice_; }
  // Enables the start and end expressions, or the operators and words; disabled fields keep their text.
  void ChooseLimitationType(TLimitationChoice choice);
  bool ExpressionsEnabled() const { return limitationChoice_ == TLimitationChoice::RegularExpression; }
  bool RelationsEnabled() const { return limitationChoice_ == TLimitationChoice::Standard; }

  // "...": chooses a file in `Robot Definitions` and loads it.
  void ClickBrowse();
  // "Enregistrer": checks and writes to the file name; "Enregistrer sous" when it is blank.
  void ClickSave();
  // "Enregistrer sous": writes to a chosen file.
  void ClickSaveAs();
  // "Choisir": asks whether to save, then closes with OK when the definition file can be chosen.
  void ClickChoose();
  // "Annuler": closes without writing.
  void ClickCancel();

  bool Saved() const { return saved_; }
  TModalResult ModalResult() const { return modalResult_; }
  // The definition as the fields would write it.
  TRandomQueryDefinition Definition() const;

private:
  friend struct TBuildRobotDefFields;

  auto Watch();
  void Load(std::string name);
  void ShowError(std::string_view message, std::string_view caption);
  // Writes the definition to `name`; on success the file name field shows the full path.
  bool WriteTo(std::string_view name);

  std::filesystem::path home_;
  base::TDialogsPort& dialogs_;
  TLimitationChoice limitationChoice_ = TLimitationChoice::RegularExpression;
  bool saved_ = false;
  TModalResult modalResult_ = TModalResult::None;
};

}  // namespace varnelo::search
