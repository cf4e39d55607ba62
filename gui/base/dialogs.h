#pragma once

#include <QPointer>
#include <QWidget>

#include "base/dialogs_port.h"

namespace varnelo::gui {

// The core's dialogs as Qt's modal message boxes and choosers, over the active window (or the main
// window when none is active).
class TDialogs : public base::TDialogsPort {
public:
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }

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
  QWidget* Owner() const;

  QPointer<QWidget> mainWindow_;
};

}  // namespace varnelo::gui
