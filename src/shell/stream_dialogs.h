#pragma once

#include <ostream>
#include <string>

#include "base/dialogs_port.h"

namespace varnelo::shell {

// Dialogs without a window: message boxes and errors become lines on a stream (the prefix, then the
// text); nobody is there to answer, so questions get No and input boxes and choosers are cancelled.
class TStreamDialogs : public base::TDialogsPort {
public:
  TStreamDialogs(std::ostream& out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}

  void MessageBox(std::string_view text, std::string_view caption, TIcon icon) override;
  TAnswer Question(std::string_view text, std::string_view caption, bool withCancel) override;
  void ApplicationError(std::string_view text) override;
  std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view value) override;
  std::optional<std::filesystem::path> ChooseOpenFile(std::string_view caption, std::string_view filter,
                                                      const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                      const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override;

private:
  std::ostream& out_;
  const std::string prefix_;
};

}  // namespace varnelo::shell
