#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "shell/dialogs_port.h"
#include "shell/indicators_port.h"
#include "shell/log_port.h"

namespace varnelo::test {

class TRecordingLog : public shell::TLogPort {
public:
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

// Records every dialog; questions take their answers from `answers` in order (No when it runs out).
class TRecordingDialogs : public shell::TDialogsPort {
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

  std::vector<TShown> messages;
  std::vector<TShown> questions;
  std::vector<std::string> errors;
  std::deque<TAnswer> answers;
};

class TRecordingIndicators : public shell::TIndicatorsPort {
public:
  void SetRunning(bool isRunning) override { running.push_back(isRunning); }
  void SetTrayIconVisible(bool visible) override { trayVisible = visible; }
  std::vector<bool> running;
  bool trayVisible = false;
};

}  // namespace varnelo::test
