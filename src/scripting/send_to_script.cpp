#include "scripting/send_to_script.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "config/config_keys.h"
#include "config/config_store.h"
#include "pascal/native_object.h"
#include "pascal/string_list.h"
#include "platform/atomic_file.h"
#include "scripting/script_outcome.h"

namespace varnelo::scripting {
namespace {

constexpr std::string_view kSamplesFolder = "samples";

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

std::optional<std::string> ReadJoinedLines(const std::filesystem::path& file) {
  std::optional<std::string> content;
  try {
    content = platform::ReadWholeFile(file);
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  if (!content) return std::nullopt;
  std::string joined;
  joined.reserve(content->size() + content->size() / 32 + 2);
  for (const std::string& line : base::SplitLines(*content)) joined.append(line).append("\r\n");
  return joined;
}

std::int64_t ReadScriptMemoryLimit(const std::filesystem::path& home) {
  const config::TConfigStore store(home / config::kRobotConfigFile);
  const int mebibytes = store.ReadInteger(config::section::kGeneral, kScriptMemoryLimitKey, 0);
  return mebibytes >= 1 ? std::int64_t(mebibytes) * 1024 * 1024 : pascal::TInterpreter::kDefaultMemoryLimit;
}

TSendToScript::TSendToScript(std::filesystem::path home, std::string urlText, std::vector<std::string>* items,
                             std::filesystem::path scriptPath, TScriptHooks hooks)
    : home_(std::move(home)),
      urlText_(std::move(urlText)),
      items_(items),
      scriptPath_(std::move(scriptPath)),
      hooks_(std::move(hooks)) {}

std::string TSendToScript::RunScript() {
  const std::optional<std::string> source = ReadJoinedLines(scriptPath_);
  if (!source) {
    return ErrorOutcome(pascal::TScriptError(pascal::TErrorCode::kScriptNotFound,
                                             "Script not found: " + scriptPath_.string(), 0, 0));
  }
  pascal::TInterpreterHost host;
  host.unknownIdentifier = [this](const std::string& name) { return UnknownIdentifier(name); };
  host.unitSource = [this](const std::string& unitName) { return UnitSource(unitName); };
  host.afterStatement = hooks_.afterStatement;
  host.stopRequested = hooks_.stopRequested;
  host.output = hooks_.output;
  host.showMessage = hooks_.showMessage;
  host.inputBox = hooks_.inputBox;
  host.messageDlg = hooks_.messageDlg;

  itemsList_ = items_ != nullptr ? std::make_shared<pascal::TStringList>(*items_) : nullptr;
  itemsObject_ = itemsList_ ? pascal::NativeValue(itemsList_) : pascal::TValue::Object(nullptr);
  std::string outcome = std::string(kOutcomePrefix);
  try {
    pascal::TInterpreter interpreter(std::move(host));
    interpreter.SetMemoryLimit(ReadScriptMemoryLimit(home_));
    outcome = OutcomeText(interpreter.Run(*source));
  } catch (const pascal::TScriptError& error) {
    outcome = ErrorOutcome(error);
  } catch (const std::exception&) {
    outcome = std::string(kOutcomePrefix) + "error";
  }
  // What the script did to the list reaches the caller's items.
  if (itemsList_) *items_ = itemsList_->Lines();
  itemsObject_ = {};
  itemsList_.reset();
  return outcome;
}

std::optional<pascal::TValue> TSendToScript::UnknownIdentifier(const std::string& name) {
  if (EqualsIgnoringCase(name, "extractedItems")) return itemsObject_;
  if (EqualsIgnoringCase(name, "url")) return pascal::TValue::String(urlText_);
  return std::nullopt;
}

std::optional<std::string> TSendToScript::UnitSource(const std::string& unitName) const {
  const std::filesystem::path folders[] = {scriptPath_.parent_path(), home_, home_ / kSamplesFolder};
  // Units are named as the script writes them; Free Pascal also finds them under lower-case names.
  const std::string names[] = {unitName + ".pas", base::AsciiLowered(unitName) + ".pas"};
  for (const std::filesystem::path& folder : folders) {
    for (const std::string& name : names) {
      if (std::optional<std::string> source = ReadJoinedLines(folder / name)) return source;
    }
  }
  return std::nullopt;
}

}  // namespace varnelo::scripting
