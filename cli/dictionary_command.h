#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "search/dictionary_progress.h"

namespace varnelo::cli {

// "dictionary add FILE" registers FILE as the dictionary dialog's "Ajouter" does and prints its number
// and full path; "dictionary list" prints the registered dictionaries, one "<number>\t<path>" a line.
// Messages go to `errors`. Returns the exit status: 2 for bad arguments, a file already registered or
// one that cannot be read. With `showProgress`, a progress line is kept up to date on `errors`.
int RunDictionary(const std::filesystem::path& home, const std::vector<std::string>& arguments, std::ostream& out,
                  std::ostream& errors, bool showProgress);

// What is wrong with the words after "dictionary"; empty when nothing is.
std::string CheckDictionaryArguments(const std::vector<std::string>& arguments);

// A line that shows the phase and the position of a registration, rewritten in place with CR.
class TProgressLine {
public:
  explicit TProgressLine(std::ostream& out) : out_(out) {}
  void Show(search::TDictionaryPhase phase, int position);
  // Ends the line when something was shown.
  void Finish();

private:
  std::ostream& out_;
  bool shown_ = false;
};

}  // namespace varnelo::cli
