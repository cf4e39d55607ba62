#include "forms/form_email_friends.h"

#include <tuple>

#include "platform/percent_encoding.h"

namespace varnelo::periphery {
namespace {

bool IsMailtoChar(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '-': case '.': case '_': case '~':
    case '!': case '$': case '\'': case '(': case ')': case '*': case '+': case ',': case ';': case ':': case '@':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::vector<std::string> DefaultFriendsMessage() {
  return {"Bonjour, juste un petit pour pour vous ",
          "dire que varnelo est magnifique.",
          "Ce logiciel est très utile pour trouver ",
          "tout ce que vous voulez; que ce",
          "soit de la musique, des films, des ",
          "paroles de chansons, des tablatures,",
          "des adresses, des jobs, etc.",
          "",
          "essayez-le!",
          "",
          "merci"};
}

std::string EscapeMailtoText(std::string_view text) { return platform::PercentEncode(text, IsMailtoChar); }

auto TFormEmailFriends::Watch() {
  return Changed.Watch([this] {
    return std::make_tuple(base::Field(TField::Friends, std::vector<std::string>(friends_.begin(), friends_.end())),
                           base::Field(TField::MessageLines, messageLines_));
  });
}

TFormEmailFriends::TFormEmailFriends() : messageLines_(DefaultFriendsMessage()) {}

std::string TFormEmailFriends::FriendLabel(size_t index) { return "Ami #" + std::to_string(index + 1); }

void TFormEmailFriends::SetFriend(size_t index, std::string address) {
  std::string& field = friends_.at(index);
  const auto watch = Watch();
  field = std::move(address);
}

void TFormEmailFriends::SetMessageLines(std::vector<std::string> lines) {
  const auto watch = Watch();
  messageLines_ = std::move(lines);
}

std::string TFormEmailFriends::ClickEnvoyer() const {
  std::string link = "mailto:";
  for (const auto& address : friends_) {
    if (!address.empty()) link += EscapeMailtoText(address) + ";";
  }
  if (link.ends_with(';')) link.pop_back();
  std::string body;
  for (size_t i = 0; i < messageLines_.size(); ++i) {
    if (i > 0) body += "\r\n";
    body += messageLines_[i];
  }
  return link + "?subject=varnelo&body=" + EscapeMailtoText(body);
}

}  // namespace varnelo::periphery
