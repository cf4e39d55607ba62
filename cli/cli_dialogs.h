#pragma once

#include <optional>
#include <ostream>
#include <string_view>

#include "shell/stream_dialogs.h"
#include "status_line.h"

namespace varnelo::cli {

// The dialogs of a run on the command line: messages and errors are lines on the stream (standard
// error). The confirmation of a specified-pages start gets the answer settled before the start (from
// --reset, --keep or the terminal); any other question is answered No.
class TCliDialogs : public shell::TStreamDialogs {
public:
  TCliDialogs(std::ostream& out, TStatusLine& status, std::optional<TAnswer> resetAnswer = std::nullopt);
  // The answer to the specified-pages confirmation.
  void SetResetAnswer(TAnswer answer) { resetAnswer_ = answer; }

  void MessageBox(std::string_view text, std::string_view caption, TIcon icon) override;
  TAnswer Question(std::string_view text, std::string_view caption, bool withCancel) override;
  void ApplicationError(std::string_view text) override;

  // How many errors were shown: error messages and the application's error dialog.
  int Errors() const { return errors_; }

private:
  TStatusLine& status_;
  std::optional<TAnswer> resetAnswer_;
  int errors_ = 0;
};

}  // namespace varnelo::cli
