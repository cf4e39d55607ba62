#include "forms/frm_build_robot_def.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <tuple>
#include <variant>

#include "base/text.h"
#include "config/config_store.h"
#include "config/ini_text.h"
#include "search/definition_keys.h"
#include "search/definition_paths.h"

namespace varnelo::search {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kQuerySymbol = "$_";

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }
bool Blank(std::string_view text) { return base::TrimBlanks(text).empty(); }

int OperatorIndex(std::string_view relop) {
  const auto& list = TFrmBuildRobotDef::kOperators;
  const auto found = std::find(list.begin(), list.end(), relop);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

std::string OperatorText(int index) {
  const auto& list = TFrmBuildRobotDef::kOperators;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
  return std::string(list[static_cast<size_t>(index)]);
}

}  // namespace

// The fields of the dialog and the members of the definition that they show, for both directions.
struct TBuildRobotDefFields {
  using TForm = TFrmBuildRobotDef;
  using TDefinition = TRandomQueryDefinition;

  template <class T>
  struct TSame {
    T TForm::*form;
    T TDefinition::*definition;
  };
  // An operator list: an index into kOperators for the text of the definition.
  struct TOperator {
    int TForm::*form;
    std::string TDefinition::*definition;
  };
  // The limitation type choice for LimitationDefinitionType.
  struct TLimitationType {
    TForm::TLimitationChoice TForm::*form;
    std::string TDefinition::*definition;
  };
  using TRow = std::variant<TSame<std::string>, TSame<bool>, TOperator, TLimitationType>;

  static constexpr std::array<TRow, 16> kRows{{
      TSame<std::string>{&TForm::startResult, &TDefinition::startResult},
      TSame<std::string>{&TForm::endResult, &TDefinition::endResult},
      TSame<std::string>{&TForm::urlRegexp, &TDefinition::urlRegexp},
      TSame<std::string>{&TForm::getQuery, &TDefinition::getQuery},
      TOperator{&TForm::relopStartIndex, &TDefinition::relopStartResult},
      TOperator{&TForm::relopEndIndex, &TDefinition::relopEndResult},
      TSame<std::string>{&TForm::wordRelopStartResult, &TDefinition::wordRelopStartResult},
      TSame<std::string>{&TForm::wordRelopEndResult, &TDefinition::wordRelopEndResult},
      TLimitationType{&TForm::limitationChoice_, &TDefinition::limitationDefinitionType},
      TSame<bool>{&TForm::iFlag, &TDefinition::iFlag},
      TSame<bool>{&TForm::mFlag, &TDefinition::mFlag},
      TSame<bool>{&TForm::sFlag, &TDefinition::sFlag},
      TSame<bool>{&TForm::xFlag, &TDefinition::xFlag},
      TSame<bool>{&TForm::gFlag, &TDefinition::gFlag},
      TSame<bool>{&TForm::rFlag, &TDefinition::rFlag},
      TSame<std::string>{&TForm::dataLimitingRegexp, &TDefinition::dataLimitingRegexp},
  }};

  template <class T>
  static void Show(const TSame<T>& row, const TDefinition& d, TForm& form) {
    form.*row.form = d.*row.definition;
  }
  static void Show(const TOperator& row, const TDefinition& d, TForm& form) {
    form.*row.form = OperatorIndex(d.*row.definition);
  }
  static void Show(const TLimitationType& row, const TDefinition& d, TForm& form) {
    form.*row.form = d.*row.definition == kStandardType ? TForm::TLimitationChoice::Standard
                                                        : TForm::TLimitationChoice::RegularExpression;
  }

  template <class T>
  static void Take(const TSame<T>& row, const TForm& form, TDefinition& d) {
    d.*row.definition = form.*row.form;
  }
  static void Take(const TOperator& row, const TForm& form, TDefinition& d) {
    d.*row.definition = OperatorText(form.*row.form);
  }
  static void Take(const TLimitationType& row, const TForm& form, TDefinition& d) {
    d.*row.definition = form.*row.form == TForm::TLimitationChoice::Standard ? kStandardType : kRegularExpressionType;
  }

  static void ShowAll(const TDefinition& d, TForm& form) {
    for (const TRow& row : kRows) std::visit([&](const auto& r) { Show(r, d, form); }, row);
  }
  static TDefinition TakeAll(const TForm& form) {
    TDefinition d;
    for (const TRow& row : kRows) std::visit([&](const auto& r) { Take(r, form, d); }, row);
    return d;
  }
};

auto TFrmBuildRobotDef::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::FileName, fileName), Field(TField::StartResult, startResult),
                           Field(TField::EndResult, endResult), Field(TField::UrlRegexp, urlRegexp),
                           Field(TField::GetQuery, getQuery), Field(TField::DataLimitingRegexp, dataLimitingRegexp),
                           Field(TField::WordRelopStartResult, wordRelopStartResult),
                           Field(TField::WordRelopEndResult, wordRelopEndResult),
                           Field(TField::RelopStartIndex, relopStartIndex), Field(TField::RelopEndIndex, relopEndIndex),
                           Field(TField::IFlag, iFlag), Field(TField::MFlag, mFlag), Field(TField::SFlag, sFlag),
                           Field(TField::XFlag, xFlag), Field(TField::GFlag, gFlag), Field(TField::RFlag, rFlag),
                           Field(TField::LimitationChoice, limitationChoice_), Field(TField::Saved, saved_),
                           Field(TField::ModalResult, modalResult_));
  });
}

TFrmBuildRobotDef::TFrmBuildRobotDef(fs::path home, std::string name, base::TDialogsPort& dialogs)
    : home_(std::move(home)), dialogs_(dialogs) {
  Load(std::move(name));
}

void TFrmBuildRobotDef::Load(std::string name) {
  const TRandomQueryDefinition d = ReadRandomQueryDefinition(RandomQueryDefinitionPath(home_, name));
  fileName = std::move(name);
  TBuildRobotDefFields::ShowAll(d, *this);
}

TRandomQueryDefinition TFrmBuildRobotDef::Definition() const { return TBuildRobotDefFields::TakeAll(*this); }

void TFrmBuildRobotDef::ChooseLimitationType(TLimitationChoice choice) {
  const auto watch = Watch();
  limitationChoice_ = choice;
}

void TFrmBuildRobotDef::ClickCancel() {
  const auto watch = Watch();
  modalResult_ = TModalResult::Cancel;
}

void TFrmBuildRobotDef::ShowError(std::string_view message, std::string_view caption) {
  dialogs_.MessageBox(message, caption, base::TDialogsPort::TIcon::Error);
}

bool TFrmBuildRobotDef::WriteTo(std::string_view name) {
  const fs::path path = RandomQueryDefinitionPath(home_, name);
  try {
    WriteRandomQueryDefinition(path, Definition());
  } catch (const config::EConfigWriteError&) {
    ShowError(kWriteFailedMessage, "Erreur");
    return false;
  }
  fileName = path.string();
  saved_ = true;
  return true;
}

void TFrmBuildRobotDef::ClickBrowse() {
  const auto watch = Watch();
  const auto chosen = dialogs_.ChooseOpenFile("Ouvrir", "*.def;;*", DefinitionsFolder(home_));
  if (chosen) Load(chosen->string());
}

void TFrmBuildRobotDef::ClickSave() {
  const auto watch = Watch();
  if (Blank(fileName)) return ClickSaveAs();
  saved_ = false;
  if (!Contains(getQuery, kQuerySymbol)) return ShowError(kGetQuerySymbolMessage, "Error");
  if (Blank(urlRegexp)) return ShowError(kEmptyUrlRegexpMessage, "Error");
  if (Contains(fileName, ",")) return ShowError(kCommaInNameMessage, "Erreur");
  WriteTo(fileName);
}

void TFrmBuildRobotDef::ClickSaveAs() {
  const auto watch = Watch();
  saved_ = false;
  if (!Contains(getQuery, kQuerySymbol)) return ShowError(kSaveAsGetQueryMessage, "Erreur");
  auto chosen = dialogs_.ChooseSaveFile("Enregistrer sous", kDefinitionFilter, DefinitionsFolder(home_));
  if (!chosen) return;
  // The chooser's default extension: a name typed without one gets ".def".
  if (!chosen->has_extension()) *chosen += kDefinitionExtension;
  const std::string name = chosen->string();
  if (Contains(name, ",")) return ShowError(kSaveAsCommaMessage, "Erreur");
  WriteTo(name);
}

void TFrmBuildRobotDef::ClickChoose() {
  const auto watch = Watch();
  switch (dialogs_.Question(kChooseQuestion, "Question", true)) {
    case base::TDialogsPort::TAnswer::Yes:
      ClickSave();
      if (saved_) modalResult_ = TModalResult::Ok;
      return;
    case base::TDialogsPort::TAnswer::No: {
      std::error_code error;
      const fs::path path = RandomQueryDefinitionPath(home_, fileName);
      if (!path.empty() && fs::is_regular_file(path, error)) {
        modalResult_ = TModalResult::Ok;
      } else {
        ShowError(kMissingFileMessage, "Erreur");
      }
      return;
    }
    case base::TDialogsPort::TAnswer::Cancel:
      return;
  }
}

}  // namespace varnelo::search
