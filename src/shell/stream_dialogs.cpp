#include "shell/stream_dialogs.h"

namespace varnelo::shell {

void TStreamDialogs::MessageBox(std::string_view text, std::string_view, TIcon) {
  out_ << prefix_ << text << '\n';
}

base::TDialogsPort::TAnswer TStreamDialogs::Question(std::string_view text, std::string_view, bool) {
  out_ << prefix_ << text << " (answered No)\n";
  return TAnswer::No;
}

void TStreamDialogs::ApplicationError(std::string_view text) { out_ << prefix_ << text << '\n'; }

std::optional<std::string> TStreamDialogs::InputBox(std::string_view, std::string_view, std::string_view) {
  return std::nullopt;
}

std::optional<std::filesystem::path> TStreamDialogs::ChooseOpenFile(std::string_view, std::string_view,
                                                                    const std::filesystem::path&) {
  return std::nullopt;
}

std::optional<std::filesystem::path> TStreamDialogs::ChooseSaveFile(std::string_view, std::string_view,
                                                                    const std::filesystem::path&) {
  return std::nullopt;
}

std::optional<std::filesystem::path> TStreamDialogs::ChooseFolder(std::string_view, const std::filesystem::path&) {
  return std::nullopt;
}

}  // namespace varnelo::shell
