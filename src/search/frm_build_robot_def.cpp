#include "search/frm_build_robot_def.h"

#include <algorithm>
#include <system_error>

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

TFrmBuildRobotDef::TFrmBuildRobotDef(fs::path home, std::string name, shell::TDialogsPort& dialogs)
    : home_(std::move(home)), dialogs_(dialogs) {
  Load(std::move(name));
}

void TFrmBuildRobotDef::Load(std::string name) {
  const TRandomQueryDefinition d = ReadRandomQueryDefinition(RandomQueryDefinitionPath(home_, name));
  fileName = std::move(name);
  startResult = d.startResult;
  endResult = d.endResult;
  urlRegexp = d.urlRegexp;
  getQuery = d.getQuery;
  dataLimitingRegexp = d.dataLimitingRegexp;
  wordRelopStartResult = d.wordRelopStartResult;
  wordRelopEndResult = d.wordRelopEndResult;
  relopStartIndex = OperatorIndex(d.relopStartResult);
  relopEndIndex = OperatorIndex(d.relopEndResult);
  iFlag = d.iFlag;
  mFlag = d.mFlag;
  sFlag = d.sFlag;
  xFlag = d.xFlag;
  gFlag = d.gFlag;
  rFlag = d.rFlag;
  limitationChoice_ = d.limitationDefinitionType == kStandardType ? TLimitationChoice::Standard
                                                                  : TLimitationChoice::RegularExpression;
}

TRandomQueryDefinition TFrmBuildRobotDef::Definition() const {
  TRandomQueryDefinition d;
  d.startResult = startResult;
  d.endResult = endResult;
  d.urlRegexp = urlRegexp;
  d.getQuery = getQuery;
  d.relopStartResult = OperatorText(relopStartIndex);
  d.relopEndResult = OperatorText(relopEndIndex);
  d.wordRelopStartResult = wordRelopStartResult;
  d.wordRelopEndResult = wordRelopEndResult;
  d.limitationDefinitionType =
      std::string(limitationChoice_ == TLimitationChoice::Standard ? kStandardType : kRegularExpressionType);
  d.iFlag = iFlag;
  d.mFlag = mFlag;
  d.sFlag = sFlag;
  d.xFlag = xFlag;
  d.gFlag = gFlag;
  d.rFlag = rFlag;
  d.dataLimitingRegexp = dataLimitingRegexp;
  return d;
}

void TFrmBuildRobotDef::ShowError(std::string_view message, std::string_view caption) {
  dialogs_.MessageBox(message, caption, shell::TDialogsPort::TIcon::Error);
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
  const auto chosen = dialogs_.ChooseOpenFile("Ouvrir", "*.def;;*", DefinitionsFolder(home_));
  if (chosen) Load(chosen->string());
}

void TFrmBuildRobotDef::ClickSave() {
  if (Blank(fileName)) return ClickSaveAs();
  saved_ = false;
  if (!Contains(getQuery, kQuerySymbol)) return ShowError(kGetQuerySymbolMessage, "Error");
  if (Blank(urlRegexp)) return ShowError(kEmptyUrlRegexpMessage, "Error");
  if (Contains(fileName, ",")) return ShowError(kCommaInNameMessage, "Erreur");
  WriteTo(fileName);
}

void TFrmBuildRobotDef::ClickSaveAs() {
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
  switch (dialogs_.Question(kChooseQuestion, "Question", true)) {
    case shell::TDialogsPort::TAnswer::Yes:
      ClickSave();
      if (saved_) modalResult_ = TModalResult::Ok;
      return;
    case shell::TDialogsPort::TAnswer::No: {
      std::error_code error;
      const fs::path path = RandomQueryDefinitionPath(home_, fileName);
      if (!path.empty() && fs::is_regular_file(path, error)) {
        modalResult_ = TModalResult::Ok;
      } else {
        ShowError(kMissingFileMessage, "Erreur");
      }
      return;
    }
    case shell::TDialogsPort::TAnswer::Cancel:
      return;
  }
}

}  // namespace varnelo::search
