#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pascal/interpreter.h"
#include "pascal/string_list.h"

namespace varnelo::scripting {

// What a script run reaches besides its two values.
struct TScriptHooks {
  // Each piece of text the script writes with Write and WriteLn.
  std::function<void(const std::string& text)> output;
  // Called after each statement; false stops the run.
  std::function<bool()> afterStatement;
  // Asked after each statement and while the script sleeps; true stops the run.
  std::function<bool()> stopRequested;
  // The script's dialogs; left empty, the interpreter's own answers without a window apply.
  decltype(pascal::TInterpreterHost::showMessage) showMessage;
  decltype(pascal::TInterpreterHost::inputBox) inputBox;
  decltype(pascal::TInterpreterHost::messageDlg) messageDlg;
};

// The one bridge between the robots and the script interpreter: runs a user's .pas file with the
// values `url` and `extractedItems`, finds the units it uses, and turns the outcome into one line for
// the program log.
class TSendToScript {
public:
  // `items` (may be null) is not owned; the script sees it as a string list and may change it.
  TSendToScript(std::filesystem::path home, std::string urlText, std::vector<std::string>* items,
                std::filesystem::path scriptPath, TScriptHooks hooks = {});

  // Runs the script once; the outcome line.
  std::string RunScript();

  // Where the source of unit `unitName` is looked for: beside the script, in the home, in its samples.
  std::optional<std::string> UnitSource(const std::string& unitName) const;

private:
  std::optional<pascal::TValue> UnknownIdentifier(const std::string& name);

  std::filesystem::path home_;
  std::string urlText_;
  std::vector<std::string>* items_;
  std::filesystem::path scriptPath_;
  TScriptHooks hooks_;
  // The items as the script sees them, kept apart so that what it did to them can be read back even
  // when it freed the object.
  std::shared_ptr<pascal::TStringList> itemsList_;
  pascal::TValue itemsObject_;
};

// The `[general]` key of the home's robotconfig.ini that sets, in MiB, what one script run may hold in
// strings, lists, arrays and records; absent or below 1, the interpreter's default (1 GiB) applies.
inline constexpr std::string_view kScriptMemoryLimitKey = "ScriptMemoryLimit";
// The limit, in bytes, for scripts run from `home`.
std::int64_t ReadScriptMemoryLimit(const std::filesystem::path& home);

// The lines of a text file (CR LF, LF or CR end a line) joined with CR LF after every line; none
// when the file cannot be read.
std::optional<std::string> ReadJoinedLines(const std::filesystem::path& file);

}  // namespace varnelo::scripting
