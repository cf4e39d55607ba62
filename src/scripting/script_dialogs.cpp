#include "scripting/script_dialogs.h"

#include <algorithm>

#include "pascal/dialogs.h"

namespace varnelo::scripting {
namespace {

using pascal::TMsgDlgBtn;
using pascal::TMsgDlgType;
using TIcon = base::TDialogsPort::TIcon;
using TAnswer = base::TDialogsPort::TAnswer;

// The caption and icon that Lazarus gives each kind of message.
std::pair<std::string_view, TIcon> Look(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::kWarning: return {"Warning", TIcon::Warning};
    case TMsgDlgType::kError: return {"Error", TIcon::Error};
    case TMsgDlgType::kInformation: return {"Information", TIcon::Information};
    case TMsgDlgType::kConfirmation: return {"Confirmation", TIcon::Question};
    case TMsgDlgType::kCustom: break;
  }
  return {base::kApplicationTitle, TIcon::None};
}

bool Has(const std::vector<TMsgDlgBtn>& buttons, TMsgDlgBtn button) {
  return std::find(buttons.begin(), buttons.end(), button) != buttons.end();
}

// Yes/No (and Cancel) buttons are a question; any other set is a message whose first button answers.
int ShowMessageDlg(base::TDialogsPort& dialogs, const std::string& text, TMsgDlgType type,
                   const std::vector<TMsgDlgBtn>& buttons) {
  const auto [caption, icon] = Look(type);
  if (Has(buttons, TMsgDlgBtn::kYes) && Has(buttons, TMsgDlgBtn::kNo)) {
    switch (dialogs.Question(text, caption, Has(buttons, TMsgDlgBtn::kCancel))) {
      case TAnswer::Yes: return pascal::kMrYes;
      case TAnswer::No: return pascal::kMrNo;
      case TAnswer::Cancel: return pascal::kMrCancel;
    }
  }
  dialogs.MessageBox(text, caption, icon);
  return buttons.empty() ? pascal::kMrNone : pascal::ModalResultOf(buttons.front());
}

}  // namespace

void ConnectDialogs(TScriptHooks& hooks, base::TDialogsPort& dialogs, base::TMainQueue& mainQueue) {
  hooks.showMessage = [&dialogs, &mainQueue](const std::string& text) {
    mainQueue.Synchronize([&] { dialogs.MessageBox(text, base::kApplicationTitle, TIcon::None); });
  };
  hooks.inputBox = [&dialogs, &mainQueue](const std::string& caption, const std::string& prompt,
                                          const std::string& defaultText) {
    std::optional<std::string> answer;
    mainQueue.Synchronize([&] { answer = dialogs.InputBox(caption, prompt, defaultText); });
    return answer;
  };
  hooks.messageDlg = [&dialogs, &mainQueue](const std::string& text, TMsgDlgType type,
                                            const std::vector<TMsgDlgBtn>& buttons) {
    int result = pascal::kMrNone;
    mainQueue.Synchronize([&] { result = ShowMessageDlg(dialogs, text, type, buttons); });
    return result;
  };
}

}  // namespace varnelo::scripting
