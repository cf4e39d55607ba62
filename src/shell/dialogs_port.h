#pragma once

#include <string>
#include <string_view>

namespace varnelo::shell {

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
};

}  // namespace varnelo::shell
