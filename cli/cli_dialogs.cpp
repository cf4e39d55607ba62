#include "cli_dialogs.h"

#include "runner/robot_runner.h"

namespace varnelo::cli {

TCliDialogs::TCliDialogs(std::ostream& out, TStatusLine& status, std::optional<TAnswer> resetAnswer)
    : TStreamDialogs(out, "varnelo-cli: "), status_(status), resetAnswer_(resetAnswer) {}

void TCliDialogs::MessageBox(std::string_view text, std::string_view caption, TIcon icon) {
  if (icon == TIcon::Error) ++errors_;
  status_.Clear();
  TStreamDialogs::MessageBox(text, caption, icon);
}

base::TDialogsPort::TAnswer TCliDialogs::Question(std::string_view text, std::string_view caption, bool withCancel) {
  if (resetAnswer_ && text == runner::kResetQuestion && caption == runner::kConfirmationCaption) return *resetAnswer_;
  status_.Clear();
  return TStreamDialogs::Question(text, caption, withCancel);
}

void TCliDialogs::ApplicationError(std::string_view text) {
  ++errors_;
  status_.Clear();
  TStreamDialogs::ApplicationError(text);
}

}  // namespace varnelo::cli
