#include "command_line.h"

#include <string_view>

namespace varnelo::cli {

TCommandLine ParseCommandLine(const std::vector<std::string>& words) {
  TCommandLine line;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool isOption = !optionsEnded && word.size() > 1 && word[0] == '-';
    if (!isOption) {
      if (line.command.empty()) {
        line.command = word;
      } else {
        line.arguments.push_back(word);
      }
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "--help" || word == "-h") {
      line.help = true;
    } else if (word == "--version") {
      line.version = true;
    } else if (word == "--home") {
      if (i + 1 == words.size()) {
        line.error = "option '--home' needs a directory";
        return line;
      }
      line.home = words[++i];
    } else if (word.starts_with("--home=")) {
      line.home = word.substr(std::string_view("--home=").size());
    } else if (!line.command.empty()) {
      // The command reads its own options.
      line.arguments.push_back(word);
    } else {
      line.error = "unknown option '" + word + "'";
      return line;
    }
  }
  if (line.home && line.home->empty()) line.error = "option '--home' needs a directory";
  return line;
}

std::string Usage() {
  return "Usage: varnelo-cli [--home DIR] COMMAND\n"
         "Run the robots of a Varnelo home without the window.\n"
         "\n"
         "Commands:\n"
         "  list          one line per robot: its state label, a tab, its kind\n"
         "  dictionary add FILE\n"
         "                register FILE as a dictionary: its words are trimmed, lowered,\n"
         "                sorted and made unique in place, the old file is kept as\n"
         "                FILE.bak; prints the dictionary's number and full path\n"
         "  dictionary list\n"
         "                one line per registered dictionary: its number, a tab, its path\n"
         "  script FILE.pas [--url TEXT] [--items FILE]\n"
         "                run a script as a robot does: url is TEXT (\"script\" when not\n"
         "                given), extractedItems the lines of FILE (nil when not given);\n"
         "                prints what it writes, then its outcome line\n"
         "\n"
         "Options:\n"
         "  --home DIR    use DIR as the home directory (default: $VARNELO_HOME, else\n"
         "                $XDG_DATA_HOME/varnelo); a missing home is created\n"
         "  -h, --help    show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "Exit status: 0 on success, 1 when a script's outcome reports an error, 2 on a\n"
         "usage error, an unusable home, a dictionary already registered or a file that\n"
         "cannot be read.\n";
}

}  // namespace varnelo::cli
