#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "search/reg_exp.h"
#include "search/regexp_modifiers.h"

namespace varnelo::search {

inline constexpr std::string_view kCompileErrorPrefix = "Error compiling your regular expression:";
inline constexpr std::string_view kCompileErrorPosition = " ; error occured at position ";
inline constexpr std::string_view kCompileErrorCaption = "Erreur";

// The message for an expression that did not compile.
std::string CompileErrorMessage(std::string_view expression, size_t position);

// A worker asked a definition that did not load to match: a fault of the caller.
class ELimitationNotLoaded : public std::logic_error {
public:
  ELimitationNotLoaded() : std::logic_error("the random query definition did not load") {}
};

// Whether `line` stands in the relation `relop` ("<", "<=", "=", ">=", ">") to `word`, comparing
// bytes as unsigned codes; any other operator gives false.
bool CompareByOperator(std::string_view line, std::string_view relop, std::string_view word);

// A random query definition as loaded for one start of a robot's workers, shared read-only by them.
//
// A definition in which an expression did not compile is not Loaded(), and a run must not use it:
// LoadForRun gives nothing for it, so the run is refused, and the matching operations throw
// ELimitationNotLoaded rather than work with a missing expression.
class TLimitation {
public:
  // Reads the robot's `RobotDefFile` and `[general]` of robotconfig.ini in `home`, and the definition;
  // reports each expression that does not compile in a message box.
  static TLimitation Load(const std::filesystem::path& home, std::string_view robot, base::TDialogsPort& dialogs);
  // The run's definition, or nothing when it did not load: the run is then refused.
  static std::shared_ptr<const TLimitation> LoadForRun(const std::filesystem::path& home, std::string_view robot,
                                                       base::TDialogsPort& dialogs);

  bool Loaded() const { return loaded_; }
  const std::string& QueryUrl() const { return queryUrl_; }
  const std::string& LimitationType() const { return limitationType_; }
  TRegExpModifiers UrlModifiers() const { return urlModifiers_; }
  bool DataExpressionPresent() const { return dataExpressionPresent_; }
  bool StartExpressionPresent() const { return startExpressionPresent_; }
  bool EndExpressionPresent() const { return endExpressionPresent_; }
  const std::string& StartOperator() const { return startOperator_; }
  const std::string& EndOperator() const { return endOperator_; }
  bool StartWordPresent() const { return startWordPresent_; }
  const std::string& StartWord() const { return startWord_; }
  bool EndWordPresent() const { return endWordPresent_; }
  const std::string& EndWord() const { return endWord_; }
  const std::vector<std::string>& SpamWords() const { return spamWords_; }
  int ExtractedItemsLimit() const { return extractedItemsLimit_; }

  // The tests and matches below throw ELimitationNotLoaded when the definition did not load.
  bool StartTest(std::string_view line) const;
  bool EndTest(std::string_view line) const;
  // Every match of the URL expression in the line, in order.
  std::vector<std::string> FindUrls(std::string_view line) const;
  // Every match of the data expression in the line, in order; none without a data expression.
  std::vector<std::string> FindData(std::string_view line) const;

private:
  TLimitation() = default;
  void RequireLoaded() const;
  // Compiles `pattern`; reports and returns nothing when it does not compile.
  std::optional<TRegExp> CompileReported(std::string_view pattern, TRegExpModifiers modifiers,
                                         base::TDialogsPort& dialogs);

  bool loaded_ = true;
  std::string queryUrl_;
  std::string limitationType_;
  TRegExpModifiers urlModifiers_;
  std::optional<TRegExp> urlExpression_;
  bool dataExpressionPresent_ = false;
  std::optional<TRegExp> dataExpression_;
  bool startExpressionPresent_ = false;
  std::optional<TRegExp> startExpression_;
  bool endExpressionPresent_ = false;
  std::optional<TRegExp> endExpression_;
  std::string startOperator_;
  std::string endOperator_;
  bool startWordPresent_ = false;
  std::string startWord_;
  bool endWordPresent_ = false;
  std::string endWord_;
  std::vector<std::string> spamWords_;
  int extractedItemsLimit_ = 100000000;
};

}  // namespace varnelo::search
