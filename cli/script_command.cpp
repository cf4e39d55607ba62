#include "script_command.h"

#include "base/text.h"
#include "platform/atomic_file.h"
#include "scripting/script_outcome.h"
#include "scripting/send_to_script.h"

namespace varnelo::cli {
namespace {

constexpr int kOutcomeIsError = 1;
constexpr int kUnreadableItems = 2;

}  // namespace

TScriptArguments ParseScriptArguments(const std::vector<std::string>& arguments, std::string& error) {
  TScriptArguments parsed;
  bool haveScript = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--url" || word == "--items") {
      if (i + 1 == arguments.size()) {
        error = "option '" + word + "' needs a value";
        return parsed;
      }
      if (word == "--url") parsed.url = arguments[++i];
      else parsed.items = arguments[++i];
    } else if (!haveScript) {
      parsed.script = word;
      haveScript = true;
    } else {
      error = "'script' takes one script file";
      return parsed;
    }
  }
  if (!haveScript) error = "'script' needs a script file";
  return parsed;
}

int RunScript(const std::filesystem::path& home, const TScriptArguments& arguments, std::ostream& out,
              std::ostream& errors) {
  std::vector<std::string> items;
  if (arguments.items) {
    std::optional<std::string> content;
    try {
      content = platform::ReadWholeFile(*arguments.items);
    } catch (const std::system_error&) {
    }
    if (!content) {
      errors << "varnelo-cli: cannot read the items file " << arguments.items->string() << '\n';
      return kUnreadableItems;
    }
    items = base::SplitLines(*content);
  }
  scripting::TScriptHooks hooks;
  hooks.output = [&out](const std::string& text) { out << text << std::flush; };
  scripting::TSendToScript bridge(home, arguments.url, arguments.items ? &items : nullptr,
                                  std::filesystem::absolute(arguments.script), std::move(hooks));
  const std::string outcome = bridge.RunScript();
  out << outcome << '\n';
  return outcome.starts_with(scripting::kOutcomePrefix) ? kOutcomeIsError : 0;
}

}  // namespace varnelo::cli
