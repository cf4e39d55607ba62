#include "dictionary_command.h"

#include <cstdio>

#include "config/config_store.h"
#include "search/dictfrm.h"
#include "search/dictionary_file.h"
#include "shell/stream_dialogs.h"

namespace varnelo::cli {
namespace fs = std::filesystem;
namespace {

constexpr int kFailure = 2;

int Fail(std::ostream& errors, const std::string& message) {
  errors << "varnelo-cli: " << message << '\n';
  return kFailure;
}

int RunAdd(const fs::path& home, const std::string& file, std::ostream& out, std::ostream& errors,
           bool showProgress) {
  shell::TStreamDialogs dialogs(errors, "varnelo-cli: ");
  search::Tdictfrm form(home, dialogs);
  form.Show();
  // The dialog's file list gives full paths; the same file must give the same registered path.
  form.chosenFile = fs::absolute(file).lexically_normal();
  TProgressLine line(errors);
  if (showProgress) form.SetProgressHandler([&](search::TDictionaryPhase phase, int position) { line.Show(phase, position); });
  std::optional<search::TDictionaryRegistration> registration;
  try {
    registration = form.ClickAdd();
  } catch (const search::EDictionaryReadError& error) {
    line.Finish();
    return Fail(errors, error.what());
  }
  line.Finish();
  if (!registration) return kFailure;  // the dialog has said why
  if (!registration->rewritten) {
    errors << "varnelo-cli: " << search::BackupPath(form.chosenFile).string()
           << " exists: the dictionary is registered as it is, not sorted\n";
  }
  out << registration->number << '\t' << form.chosenFile.string() << '\n';
  return 0;
}

int RunListDictionaries(const fs::path& home, std::ostream& out, std::ostream& errors) {
  shell::TStreamDialogs dialogs(errors, "varnelo-cli: ");
  search::Tdictfrm form(home, dialogs);
  form.Show();
  const std::vector<std::string>& list = form.Dictionaries();
  for (size_t i = 0; i < list.size(); ++i) {
    if (!list[i].empty()) out << i + 1 << '\t' << list[i] << '\n';
  }
  return 0;
}

}  // namespace

void TProgressLine::Show(search::TDictionaryPhase phase, int position) {
  char text[32];
  std::snprintf(text, sizeof text, "\r%s %3d%%", phase == search::TDictionaryPhase::Reading ? "reading" : "writing",
                position);
  out_ << text << std::flush;
  shown_ = true;
}

void TProgressLine::Finish() {
  if (shown_) out_ << '\n';
  shown_ = false;
}

std::string CheckDictionaryArguments(const std::vector<std::string>& arguments) {
  const std::string sub = arguments.empty() ? "" : arguments[0];
  if (sub == "add") return arguments.size() == 2 ? "" : "'dictionary add' takes one file";
  if (sub == "list") return arguments.size() == 1 ? "" : "'dictionary list' takes no arguments";
  return "'dictionary' needs 'add FILE' or 'list'\nTry 'varnelo-cli --help'.";
}

int RunDictionary(const fs::path& home, const std::vector<std::string>& arguments, std::ostream& out,
                  std::ostream& errors, bool showProgress) {
  if (const std::string problem = CheckDictionaryArguments(arguments); !problem.empty()) return Fail(errors, problem);
  if (arguments[0] == "add") return RunAdd(home, arguments[1], out, errors, showProgress);
  return RunListDictionaries(home, out, errors);
}

}  // namespace varnelo::cli
