#include "support/recording_ports.h"

namespace varnelo::test {

void TRecordingDialogs::MessageBox(std::string_view text, std::string_view caption, TIcon icon) {
  messages.push_back({std::string(text), std::string(caption), icon});
}

shell::TDialogsPort::TAnswer TRecordingDialogs::Question(std::string_view text, std::string_view caption, bool) {
  questions.push_back({std::string(text), std::string(caption), TIcon::Question});
  if (answers.empty()) return TAnswer::No;
  const TAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace varnelo::test
