#include "pascal/dialogs.h"

#include <initializer_list>
#include <map>

namespace varnelo::pascal {

namespace {

TValue ButtonSet(std::initializer_list<TMsgDlgBtn> buttons) {
  std::bitset<256> set;
  for (TMsgDlgBtn button : buttons) set.set(static_cast<size_t>(button));
  return TValue::Set(set);
}

}  // namespace

std::optional<TValue> DialogConstant(const std::string& lowerName) {
  using B = TMsgDlgBtn;
  using T = TMsgDlgType;
  static const std::map<std::string, TValue> kConstants = {
      {"mtwarning", TValue::Integer(static_cast<int>(T::kWarning))},
      {"mterror", TValue::Integer(static_cast<int>(T::kError))},
      {"mtinformation", TValue::Integer(static_cast<int>(T::kInformation))},
      {"mtconfirmation", TValue::Integer(static_cast<int>(T::kConfirmation))},
      {"mtcustom", TValue::Integer(static_cast<int>(T::kCustom))},
      {"mbyes", TValue::Integer(static_cast<int>(B::kYes))},
      {"mbno", TValue::Integer(static_cast<int>(B::kNo))},
      {"mbok", TValue::Integer(static_cast<int>(B::kOk))},
      {"mbcancel", TValue::Integer(static_cast<int>(B::kCancel))},
      {"mbabort", TValue::Integer(static_cast<int>(B::kAbort))},
      {"mbretry", TValue::Integer(static_cast<int>(B::kRetry))},
      {"mbignore", TValue::Integer(static_cast<int>(B::kIgnore))},
      {"mball", TValue::Integer(static_cast<int>(B::kAll))},
      {"mbnotoall", TValue::Integer(static_cast<int>(B::kNoToAll))},
      {"mbyestoall", TValue::Integer(static_cast<int>(B::kYesToAll))},
      {"mbhelp", TValue::Integer(static_cast<int>(B::kHelp))},
      {"mbclose", TValue::Integer(static_cast<int>(B::kClose))},
      {"mbyesno", ButtonSet({B::kYes, B::kNo})},
      {"mbyesnocancel", ButtonSet({B::kYes, B::kNo, B::kCancel})},
      {"mbokcancel", ButtonSet({B::kOk, B::kCancel})},
      {"mbabortretryignore", ButtonSet({B::kAbort, B::kRetry, B::kIgnore})},
      {"mrnone", TValue::Integer(kMrNone)},
      {"mrok", TValue::Integer(kMrOk)},
      {"mrcancel", TValue::Integer(kMrCancel)},
      {"mrabort", TValue::Integer(kMrAbort)},
      {"mrretry", TValue::Integer(kMrRetry)},
      {"mrignore", TValue::Integer(kMrIgnore)},
      {"mryes", TValue::Integer(kMrYes)},
      {"mrno", TValue::Integer(kMrNo)},
      {"mrall", TValue::Integer(kMrAll)},
      {"mrnotoall", TValue::Integer(kMrNoToAll)},
      {"mryestoall", TValue::Integer(kMrYesToAll)},
      {"mrclose", TValue::Integer(kMrClose)},
  };
  auto found = kConstants.find(lowerName);
  if (found == kConstants.end()) return std::nullopt;
  return found->second;
}

std::vector<TMsgDlgBtn> ButtonsOf(const std::bitset<256>& set) {
  std::vector<TMsgDlgBtn> buttons;
  for (int i = 0; i <= static_cast<int>(TMsgDlgBtn::kClose); ++i)
    if (set.test(static_cast<size_t>(i))) buttons.push_back(static_cast<TMsgDlgBtn>(i));
  return buttons;
}

int ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case TMsgDlgBtn::kYes: return kMrYes;
    case TMsgDlgBtn::kNo: return kMrNo;
    case TMsgDlgBtn::kOk: return kMrOk;
    case TMsgDlgBtn::kCancel: return kMrCancel;
    case TMsgDlgBtn::kAbort: return kMrAbort;
    case TMsgDlgBtn::kRetry: return kMrRetry;
    case TMsgDlgBtn::kIgnore: return kMrIgnore;
    case TMsgDlgBtn::kAll: return kMrAll;
    case TMsgDlgBtn::kNoToAll: return kMrNoToAll;
    case TMsgDlgBtn::kYesToAll: return kMrYesToAll;
    case TMsgDlgBtn::kHelp: return kMrNone;
    case TMsgDlgBtn::kClose: return kMrClose;
  }
  return kMrNone;
}

}  // namespace varnelo::pascal
