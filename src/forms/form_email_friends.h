#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "base/field_change.h"

namespace varnelo::periphery {

inline constexpr std::string_view kEmailFriendsCaption = "Email friends";
inline constexpr std::string_view kEmailFriendsText = "Envoyer des courriels à propos du logiciel de recherche varnelo";
inline constexpr size_t kFriendCount = 10;

// The message field's first content, line by line.
std::vector<std::string> DefaultFriendsMessage();

// The "Suggérer à un ami" dialog: ten addresses, a message, and the mail link that "Envoyer" hands to
// the user's mail program (through the shell-open port of the front end).
class TFormEmailFriends {
public:
  TFormEmailFriends();

  // The rows of Friends are the address fields, those of MessageLines the lines of the message.
  enum class TField { Friends, MessageLines };
  base::TChangeSignal<TField> Changed;

  // "Ami #1" … "Ami #10".
  static std::string FriendLabel(size_t index);

  const std::string& Friend(size_t index) const { return friends_.at(index); }
  void SetFriend(size_t index, std::string address);
  const std::vector<std::string>& MessageLines() const { return messageLines_; }
  void SetMessageLines(std::vector<std::string> lines);

  // "Envoyer": "mailto:", the non-empty addresses in field order separated by ";", then
  // "?subject=varnelo&body=" and the message's lines joined by CR LF. Addresses and body are
  // percent-encoded as a mailto link requires, so that a "&", "#", "?" or line break typed by the user
  // reaches the mail program as text instead of cutting the message.
  std::string ClickEnvoyer() const;

private:
  auto Watch();

  std::array<std::string, kFriendCount> friends_;
  std::vector<std::string> messageLines_;
};

// Percent-encodes every byte that a mailto link cannot hold as it stands in an address or header
// value: all but letters, digits, "-._~" and "!$'()*+,;:@".
std::string EscapeMailtoText(std::string_view text);

}  // namespace varnelo::periphery
