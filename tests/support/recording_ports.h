#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "base/indicators_port.h"
#include "base/log_port.h"
#include "base/shell_open_port.h"

namespace varnelo::test {

class TRecordingLog : public base::TLogPort {
public:
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

// Records every dialog; questions take their answers from `answers` in order (No when it runs out),
// input boxes from `inputs` and choosers from `choices` (cancelled when they run out).
class TRecordingDialogs : public base::TDialogsPort {
public:
  struct TShown {
    std::string text;
    std::string caption;
    TIcon icon = TIcon::None;
    bool operator==(const TShown&) const = default;
  };

  void MessageBox(std::string_view text, std::string_view caption, TIcon icon) override;
  TAnswer Question(std::string_view text, std::string_view caption, bool withCancel) override;
  void ApplicationError(std::string_view text) override { errors.emplace_back(text); }
  std::optional<std::string> InputBox(std::string_view caption, std::string_view prompt,
                                      std::string_view value) override;
  std::optional<std::filesystem::path> ChooseOpenFile(std::string_view caption, std::string_view filter,
                                                      const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseSaveFile(std::string_view caption, std::string_view filter,
                                                      const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view caption,
                                                    const std::filesystem::path& start) override;

  std::vector<TShown> messages;
  std::vector<TShown> questions;
  std::vector<std::string> errors;
  std::deque<TAnswer> answers;
  // Input boxes and choosers asked for: caption, then prompt or filter.
  std::vector<TShown> prompts;
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::optional<std::filesystem::path>> choices;
};

class TRecordingIndicators : public base::TIndicatorsPort {
public:
  void SetRunning(bool isRunning) override { running.push_back(isRunning); }
  void SetTrayIconVisible(bool visible) override { trayVisible = visible; }
  std::vector<bool> running;
  bool trayVisible = false;
};

class TRecordingShellOpen : public base::TShellOpenPort {
public:
  void OpenDocument(const std::filesystem::path& file) override { opened.push_back(file); }
  void OpenUrl(std::string_view url) override { urls.emplace_back(url); }
  std::vector<std::filesystem::path> opened;
  std::vector<std::string> urls;
};

}  // namespace varnelo::test
