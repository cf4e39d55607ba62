#include "forms/form_email_friends.h"

#include <gtest/gtest.h>

#include "support/change_recorder.h"

namespace varnelo::periphery {
namespace {

// The default message as a mailto body: lines joined by CR LF, then percent-encoded.
constexpr std::string_view kDefaultBody =
    "Bonjour,%20juste%20un%20petit%20pour%20pour%20vous%20%0D%0A"
    "dire%20que%20varnelo%20est%20magnifique.%0D%0A"
    "Ce%20logiciel%20est%20tr%C3%A8s%20utile%20pour%20trouver%20%0D%0A"
    "tout%20ce%20que%20vous%20voulez;%20que%20ce%0D%0A"
    "soit%20de%20la%20musique,%20des%20films,%20des%20%0D%0A"
    "paroles%20de%20chansons,%20des%20tablatures,%0D%0A"
    "des%20adresses,%20des%20jobs,%20etc.%0D%0A"
    "%0D%0A"
    "essayez-le!%0D%0A"
    "%0D%0A"
    "merci";

TEST(FormEmailFriendsTest, StartsWithTheDefaultMessage) {
  const TFormEmailFriends form;
  ASSERT_EQ(form.MessageLines().size(), 11u);
  EXPECT_EQ(form.MessageLines().front(), "Bonjour, juste un petit pour pour vous ");
  EXPECT_EQ(form.MessageLines()[2], "Ce logiciel est très utile pour trouver ");
  EXPECT_EQ(form.MessageLines()[7], "");
  EXPECT_EQ(form.MessageLines().back(), "merci");
  EXPECT_EQ(TFormEmailFriends::FriendLabel(0), "Ami #1");
  EXPECT_EQ(TFormEmailFriends::FriendLabel(9), "Ami #10");
  for (size_t i = 0; i < kFriendCount; ++i) EXPECT_EQ(form.Friend(i), "");
}

TEST(FormEmailFriendsTest, BuildsTheMailLinkFromTheFilledAddresses) {
  const struct {
    std::vector<std::pair<size_t, std::string>> friends;
    std::string start;
  } cases[] = {
      {{}, "mailto:?subject=varnelo&body="},
      {{{1, "a@x.fr"}, {4, "b@y.com"}}, "mailto:a@x.fr;b@y.com?subject=varnelo&body="},
      {{{0, "one@a"}}, "mailto:one@a?subject=varnelo&body="},
      {{{9, "ten@a"}, {0, "one@a"}}, "mailto:one@a;ten@a?subject=varnelo&body="},
      // What a link cannot hold as it stands is encoded, so that no address adds a header.
      {{{0, "x@a?cc=spy@b&bcc=c"}, {1, "André <a b@c>"}},
       "mailto:x@a%3Fcc%3Dspy@b%26bcc%3Dc;Andr%C3%A9%20%3Ca%20b@c%3E?subject=varnelo&body="},
  };
  for (const auto& c : cases) {
    TFormEmailFriends form;
    for (const auto& [index, address] : c.friends) form.SetFriend(index, address);
    EXPECT_EQ(form.ClickEnvoyer(), c.start + std::string(kDefaultBody)) << c.start;
  }
}

TEST(FormEmailFriendsTest, EncodesTheBodySoThatNothingCutsIt) {
  TFormEmailFriends form;
  form.SetMessageLines({"a&b=c#d", "50% ?", ""});
  EXPECT_EQ(form.ClickEnvoyer(), "mailto:?subject=varnelo&body=a%26b%3Dc%23d%0D%0A50%25%20%3F%0D%0A");
  form.SetMessageLines({});
  EXPECT_EQ(form.ClickEnvoyer(), "mailto:?subject=varnelo&body=");
}

TEST(FormEmailFriendsTest, SettingAnAddressTellsItsRowOnlyWhenItChanges) {
  using TField = TFormEmailFriends::TField;
  TFormEmailFriends form;
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.SetFriend(3, "");
  form.SetMessageLines(DefaultFriendsMessage());
  EXPECT_TRUE(recorder.changes.empty());
  form.SetFriend(3, "ami@example.invalid");
  form.SetMessageLines({"Salut"});
  EXPECT_EQ(recorder.changes,
            (std::vector<base::TFieldChange<TField>>{{TField::Friends, base::TListChange::Changed(3)},
                                                     {TField::MessageLines, base::TListChange::Reset()}}));
}

}  // namespace
}  // namespace varnelo::periphery
