#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <vector>

#include "pascal/value.h"

namespace varnelo::pascal {

// Dialogs unit: the ordinals are those of the Lazarus/Delphi types, so scripts may compare them.
enum class TMsgDlgType { kWarning, kError, kInformation, kConfirmation, kCustom };
enum class TMsgDlgBtn { kYes, kNo, kOk, kCancel, kAbort, kRetry, kIgnore, kAll, kNoToAll, kYesToAll, kHelp, kClose };

// Modal results (mrNone...).
constexpr int kMrNone = 0;
constexpr int kMrOk = 1;
constexpr int kMrCancel = 2;
constexpr int kMrAbort = 3;
constexpr int kMrRetry = 4;
constexpr int kMrIgnore = 5;
constexpr int kMrYes = 6;
constexpr int kMrNo = 7;
constexpr int kMrAll = 8;
constexpr int kMrNoToAll = 9;
constexpr int kMrYesToAll = 10;
constexpr int kMrClose = 11;

// mtWarning, mbYes, mbYesNo, mrOk... by lower-case name.
std::optional<TValue> DialogConstant(const std::string& lowerName);

// The buttons of a TMsgDlgButtons set, in their declared order.
std::vector<TMsgDlgBtn> ButtonsOf(const std::bitset<256>& set);

// What pressing `button` returns.
int ModalResultOf(TMsgDlgBtn button);

}  // namespace varnelo::pascal
