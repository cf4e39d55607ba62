#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace varnelo::cli {

// "script FILE.pas [--url TEXT] [--items FILE]".
struct TScriptArguments {
  std::filesystem::path script;
  std::string url = "script";
  std::optional<std::filesystem::path> items;
};

// The arguments after "script", or the reason they are wrong in `error`.
TScriptArguments ParseScriptArguments(const std::vector<std::string>& arguments, std::string& error);

// Runs the script through the bridge as a robot does: what it writes goes to `out`, then its outcome
// line. The items are the lines of the items file; without one, extractedItems is the null object.
// Returns 0, 1 when the outcome reports an error, 2 when the items file cannot be read.
int RunScript(const std::filesystem::path& home, const TScriptArguments& arguments, std::ostream& out,
              std::ostream& errors);

}  // namespace varnelo::cli
