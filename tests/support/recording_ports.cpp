#include "support/recording_ports.h"

namespace varnelo::test {

void TRecordingDialogs::MessageBox(std::string_view text, std::string_view caption, TIcon icon) {
  messages.push_back({std::string(text), std::string(caption), icon});
}

base::TDialogsPort::TAnswer TRecordingDialogs::Question(std::string_view text, std::string_view caption, bool) {
  questions.push_back({std::string(text), std::string(caption), TIcon::Question});
  if (answers.empty()) return TAnswer::No;
  const TAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<std::string> TRecordingDialogs::InputBox(std::string_view caption, std::string_view prompt,
                                                       std::string_view) {
  prompts.push_back({std::string(prompt), std::string(caption), TIcon::None});
  if (inputs.empty()) return std::nullopt;
  auto input = std::move(inputs.front());
  inputs.pop_front();
  return input;
}

namespace {

std::optional<std::filesystem::path> NextChoice(std::deque<std::optional<std::filesystem::path>>& choices) {
  if (choices.empty()) return std::nullopt;
  auto choice = std::move(choices.front());
  choices.pop_front();
  return choice;
}

}  // namespace

std::optional<std::filesystem::path> TRecordingDialogs::ChooseOpenFile(std::string_view caption,
                                                                       std::string_view filter,
                                                                       const std::filesystem::path&) {
  prompts.push_back({std::string(filter), std::string(caption), TIcon::None});
  return NextChoice(choices);
}

std::optional<std::filesystem::path> TRecordingDialogs::ChooseSaveFile(std::string_view caption,
                                                                       std::string_view filter,
                                                                       const std::filesystem::path&) {
  prompts.push_back({std::string(filter), std::string(caption), TIcon::None});
  return NextChoice(choices);
}

std::optional<std::filesystem::path> TRecordingDialogs::ChooseFolder(std::string_view caption,
                                                                     const std::filesystem::path&) {
  prompts.push_back({"", std::string(caption), TIcon::None});
  return NextChoice(choices);
}

}  // namespace varnelo::test
