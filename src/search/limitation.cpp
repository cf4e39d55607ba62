#include "search/limitation.h"

#include "base/text.h"
#include "config/comma_list.h"
#include "config/config_keys.h"
#include "config/ini_text.h"
#include "search/definition_keys.h"
#include "search/definition_paths.h"
#include "search/random_query_definition.h"

namespace varnelo::search {
namespace {

bool NonBlank(std::string_view text) { return !base::TrimBlanks(text).empty(); }

bool LineOpensOrEnds(const std::optional<TRegExp>& expression, bool wordPresent, std::string_view relop,
                     std::string_view word, std::string_view line) {
  if (expression && expression->Matches(line)) return true;
  if (!wordPresent) return false;
  return CompareByOperator(line, relop, word);
}

}  // namespace

std::string CompileErrorMessage(std::string_view expression, size_t position) {
  return std::string(kCompileErrorPrefix)
      .append(expression)
      .append(kCompileErrorPosition)
      .append(std::to_string(position));
}

bool CompareByOperator(std::string_view line, std::string_view relop, std::string_view word) {
  // char_traits<char> compares as unsigned char, and a proper prefix is the smaller.
  const int order = line.compare(word);
  if (relop == "<") return order < 0;
  if (relop == "<=") return order <= 0;
  if (relop == "=") return order == 0;
  if (relop == ">=") return order >= 0;
  if (relop == ">") return order > 0;
  return false;
}

std::optional<TRegExp> TLimitation::CompileReported(std::string_view pattern, TRegExpModifiers modifiers,
                                                    base::TDialogsPort& dialogs) {
  auto compiled = TRegExp::Compile(pattern, modifiers);
  if (auto* expression = std::get_if<TRegExp>(&compiled)) return std::move(*expression);
  const auto& error = std::get<TRegExpCompileError>(compiled);
  dialogs.MessageBox(CompileErrorMessage(pattern, error.position), kCompileErrorCaption,
                     base::TDialogsPort::TIcon::Error);
  loaded_ = false;
  return std::nullopt;
}

TLimitation TLimitation::Load(const std::filesystem::path& home, std::string_view robot,
                              base::TDialogsPort& dialogs) {
  const config::TConfigStore robotConfig(home / config::kRobotConfigFile);
  const std::string definitionName = config::Read(robotConfig, robot, config::key::kRobotDefFile);
  // Reading has no effect, so the whole file is read at once; what the type does not use stays unused.
  const TRandomQueryDefinition d = ReadRandomQueryDefinition(RandomQueryDefinitionPath(home, definitionName));

  TLimitation limitation;
  limitation.queryUrl_ = d.getQuery;
  limitation.limitationType_ = d.limitationDefinitionType;
  limitation.spamWords_ =
      config::SplitCommaList(config::Read(robotConfig, config::section::kGeneral, config::key::kSpamWord));
  limitation.extractedItemsLimit_ =
      config::Read(robotConfig, config::section::kGeneral, config::key::kMaxExtractedItemsRandomQuery);

  limitation.urlModifiers_ = {d.iFlag, d.mFlag, d.sFlag, d.xFlag, d.gFlag, d.rFlag};
  limitation.urlExpression_ = limitation.CompileReported(d.urlRegexp, limitation.urlModifiers_, dialogs);
  if (!limitation.loaded_) return limitation;

  if (NonBlank(d.dataLimitingRegexp)) {
    limitation.dataExpressionPresent_ = true;
    limitation.dataExpression_ =
        limitation.CompileReported(d.dataLimitingRegexp, TRegExpModifiers::Fixed(), dialogs);
    if (!limitation.loaded_) return limitation;
  }

  if (limitation.limitationType_ != kRegularExpressionType) {
    limitation.startOperator_ = d.relopStartResult;
    limitation.endOperator_ = d.relopEndResult;
    limitation.startWord_ = d.wordRelopStartResult;
    limitation.endWord_ = d.wordRelopEndResult;
    limitation.startWordPresent_ = NonBlank(limitation.startWord_);
    limitation.endWordPresent_ = NonBlank(limitation.endWord_);
    return limitation;
  }
  // A failure of the start expression still lets the end expression be compiled and reported.
  if (NonBlank(d.startResult)) {
    limitation.startExpressionPresent_ = true;
    limitation.startExpression_ = limitation.CompileReported(d.startResult, TRegExpModifiers::Fixed(), dialogs);
  }
  if (NonBlank(d.endResult)) {
    limitation.endExpressionPresent_ = true;
    limitation.endExpression_ = limitation.CompileReported(d.endResult, TRegExpModifiers::Fixed(), dialogs);
  }
  return limitation;
}

std::shared_ptr<const TLimitation> TLimitation::LoadForRun(const std::filesystem::path& home, std::string_view robot,
                                                           base::TDialogsPort& dialogs) {
  auto limitation = std::make_shared<const TLimitation>(Load(home, robot, dialogs));
  if (!limitation->Loaded()) return nullptr;
  return limitation;
}

void TLimitation::RequireLoaded() const {
  if (!loaded_) throw ELimitationNotLoaded();
}

bool TLimitation::StartTest(std::string_view line) const {
  RequireLoaded();
  return LineOpensOrEnds(startExpression_, startWordPresent_, startOperator_, startWord_, line);
}

bool TLimitation::EndTest(std::string_view line) const {
  RequireLoaded();
  return LineOpensOrEnds(endExpression_, endWordPresent_, endOperator_, endWord_, line);
}

std::vector<std::string> TLimitation::FindUrls(std::string_view line) const {
  RequireLoaded();
  return urlExpression_->FindAll(line);
}

std::vector<std::string> TLimitation::FindData(std::string_view line) const {
  RequireLoaded();
  if (!dataExpression_) return {};
  return dataExpression_->FindAll(line);
}

}  // namespace varnelo::search
