#include "dictionary_command.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "base/main_queue.h"
#include "base/signal.h"
#include "config/config_store.h"
#include "forms/dictfrm.h"
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
  base::TMainQueue queue;
  search::Tdictfrm form(home, dialogs, queue);
  form.Show();
  // The dialog's file list gives full paths; the same file must give the same registered path.
  form.chosenFile = fs::absolute(file).lexically_normal();
  TProgressLine line(errors);
  base::TConnections listening;
  if (showProgress) {
    listening +=
        form.ProgressChanged.Connect([&](search::TDictionaryPhase phase, std::uint64_t done, std::uint64_t total) {
          line.Show(phase, search::ProgressPosition(done, total));
        });
  }
  std::optional<search::TDictionaryAddOutcome> outcome;
  listening += form.AddFinished.Connect([&](const search::TDictionaryAddOutcome& finished) { outcome = finished; });
  try {
    form.ClickAdd();
    // A failure comes with the outcome; the queue, which has no error handler, drops its own copy.
    queue.RunUntil([&] { return outcome.has_value(); });
    if (outcome->error) std::rethrow_exception(outcome->error);
  } catch (const search::EDictionaryReadError& error) {
    line.Finish();
    return Fail(errors, error.what());
  }
  line.Finish();
  const std::optional<search::TDictionaryRegistration>& registration = outcome->registration;
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
  base::TMainQueue queue;
  search::Tdictfrm form(home, dialogs, queue);
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
