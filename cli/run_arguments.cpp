#include "run_arguments.h"

namespace varnelo::cli {

TRunArguments ParseRunArguments(bool search, const std::vector<std::string>& arguments,
                                std::optional<size_t> endOfOptions, std::string& error) {
  const std::string command = search ? "'search'" : "'run'";
  TRunArguments parsed;
  parsed.search = search;
  bool haveRobot = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    const bool mayBeOption = !(endOfOptions && i >= *endOfOptions);
    if (mayBeOption && word == "--json") {
      parsed.json = true;
    } else if (mayBeOption && !search && (word == "--reset" || word == "--keep")) {
      const TResetChoice choice = word == "--reset" ? TResetChoice::Reset : TResetChoice::Keep;
      if (parsed.reset != TResetChoice::Ask && parsed.reset != choice) {
        error = "'--reset' and '--keep' cannot be given together";
        return parsed;
      }
      parsed.reset = choice;
    } else if (mayBeOption && word.size() > 1 && word[0] == '-') {
      error = "unknown option '" + word + "' for " + command;
      if (search) error += " (put '--' before search words that begin with '-')";
      return parsed;
    } else if (!haveRobot) {
      parsed.robot = word;
      haveRobot = true;
    } else if (search) {
      parsed.words.push_back(word);
    } else {
      error = "'run' takes one robot name";
      return parsed;
    }
  }
  if (!haveRobot || parsed.robot.empty()) error = command + " needs a robot name";
  return parsed;
}

}  // namespace varnelo::cli
