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
      line.endOfOptions = line.arguments.size();
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
         "  run ROBOT [--reset | --keep] [--json]\n"
         "                start ROBOT as the robot panel does and wait until it is idle\n"
         "                and its workers have ended. A robot that downloads specified\n"
         "                pages asks whether to start its work over: --reset answers\n"
         "                yes, --keep answers no (its stopped work is resumed); without\n"
         "                either the question is asked on the terminal, and without a\n"
         "                terminal the run is refused\n"
         "  search ROBOT [--json] [--] WORDS...\n"
         "                query the engines of the search engine robot ROBOT with WORDS\n"
         "                (joined by blanks), as the quick search bar's GO does\n"
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
         "  --json        (run, search) print result rows as JSON objects\n"
         "  --            end of the options: the words after it are search words even\n"
         "                when they begin with '-'\n"
         "  -h, --help    show this help and exit\n"
         "  --version     show the version and exit\n"
         "\n"
         "While a robot runs, the program log goes to standard error line by line, with a\n"
         "progress line when standard error is a terminal; documents the robot would open\n"
         "are logged as \"open <path or URL>\". Each result row goes to standard output as\n"
         "one line of tab-separated fields: the tab's caption, then the row's columns\n"
         "(backslash, tab and line breaks inside a field written \\\\, \\t, \\n, \\r); a\n"
         "browser tab prints its caption and the URL it shows, and the data of a POST.\n"
         "With --json each line is {\"tab\":...,\"columns\":[...]} or\n"
         "{\"tab\":...,\"url\":...,\"post\":...}.\n"
         "SIGINT (Ctrl-C) or SIGTERM stops the robot: the run goes on until its workers\n"
         "have ended and saved their work items, which the next 'run' resumes; another\n"
         "signal meanwhile does not cut this short, the program keeps waiting.\n"
         "\n"
         "Exit status: 0 on success; 1 when a script's outcome reports an error, when a\n"
         "robot's start is refused or shows an error, or when an error occurred during a\n"
         "run; 2 on a usage error, an unusable home, an unknown robot, a dictionary\n"
         "already registered or a file that cannot be read; 130 when a run was stopped.\n";
}

}  // namespace varnelo::cli
