#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo::base {

// The caption of plain messages, which carry no icon.
inline constexpr std::string_view kApplicationTitle = "Varnelo";

// The modal dialogs that the core asks the front end for.
class TDialogsPort {
public:
  enum class TIcon { None, Information, Warning, Error, Question };
  enum class TAnswer { Yes, No, Cancel };

  virtual ~TDialogsPort() = default;

  virtual void MessageBox(std::string_view text, std::string_view caption, TIcon icon) = 0;
  // Yes/No, or Yes/No/Cancel when `withCancel`.
  virtual TAnswer Question(std::string_view text, std::string_view caption, bool withCancel) = 0;
  // The application-wide error dialog: the text, an error icon and the buttons "&Abort", "&Retry" and
  // "&Ignore", whose answer changes nothing.
  virtual void ApplicationError(std::string_view text) = 0;
  // A one-line text typed by the user, starting from `value`; none when the user cancels.
  virtual std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                              std::string_view value) = 0;

  // A file or folder chosen by the user; none when the user cancels. `filter` is a Qt name filter
  // ("Pascal (*.pas);;All (*)"), `start` the folder or file the chooser opens on.
  virtual std::optional<std::filesystem::path> ChooseOpenFile(std::string_view caption, std::string_view filter,
                                                              const std::filesystem::path& start) = 0;
  virtual std::optional<std::filesystem::path> ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                              const std::filesystem::path& start) = 0;
  virtual std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                            const std::filesystem::path& start) = 0;
};

}  // namespace varnelo::base
