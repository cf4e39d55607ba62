#include "periphery/form_email_friends.h"

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

TFormEmailFriends::TFormEmailFriends() : messageLines_(DefaultFriendsMessage()) {}

std::string TFormEmailFriends::FriendLabel(size_t index) { return "Ami #" + std::to_string(index + 1); }

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
