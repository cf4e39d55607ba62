#include "url/url_escaping.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace varnelo::retrieval {
namespace {

using TCases = std::initializer_list<std::pair<std::string, std::string>>;

void ExpectEach(std::string (*operation)(std::string_view), TCases cases) {
  for (const auto& [text, result] : cases) EXPECT_EQ(operation(text), result) << "input: " << text;
}

TEST(CharClassTest, ClassifiesEveryByte) {
  std::string plain, reserved, unsafe, both;
  for (int c = 0; c < 256; ++c) {
    switch (CharClass(static_cast<unsigned char>(c))) {
      case kPlainChar: plain += static_cast<char>(c); break;
      case kReservedChar: reserved += static_cast<char>(c); break;
      case kUnsafeChar: unsafe += static_cast<char>(c); break;
      default: both += static_cast<char>(c); break;
    }
  }
  EXPECT_EQ(plain, "!$'(),-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(reserved, "&+/;=?");
  EXPECT_EQ(both, "#:@[]");
  EXPECT_EQ(unsafe.size(), 256u - plain.size() - reserved.size() - both.size());
  EXPECT_EQ(unsafe.substr(32, 14), " \"%*<>\\^`{|}~\x7f");
}

TEST(NormalizeEscapesTest, BringsEscapesIntoOneForm) {
  ExpectEach(NormalizeEscapes, {{"a b", "a%20b"},
                                {"%41", "A"},
                                {"%2f", "%2f"},
                                {"%zz", "%25zz"},
                                {"\xE9", "%E9"},
                                {"%", "%25"},
                                {"a%4", "a%254"},
                                {"%7e~", "%7e%7E"},
                                {"#:@[]&+/;=?", "#:@[]&+/;=?"},
                                {"%2e%2E", ".."},
                                {"%00\x01", "%00%01"},
                                {"plain-text_(1)", "plain-text_(1)"}});
}

TEST(UrlDecodeTest, DecodesFormText) {
  ExpectEach(UrlDecode, {{"a+b%20c%%d", "a b c%d"}, {"%zz", "%zz"}, {"%4", "%4"}, {"%", "%"}, {"%e9", "\xE9"}});
}

TEST(EscapeUserInfoTest, EscapesReservedBytesOnly) {
  ExpectEach(EscapeUserInfo, {{"a:b@c", "a%3Ab%40c"}, {"x&y/z", "x%26y%2Fz"}, {"a b%", "a b%"}});
}

TEST(EscapeForFileNameTest, EscapesWhatAFileNameCannotHold) {
  ExpectEach(EscapeForFileName, {{"a:b?.html", "a%3Ab%3F.html"},
                                 {"<>*\\:|\"?", "%3C%3E%2A%5C%3A%7C%22%3F"},
                                 {"%41", "A"},
                                 {"a%2Fb", "a%2Fb"},
                                 {"a+b", "a b"},
                                 {"a%25b", "a%25b"},
                                 {"%%", "%"},
                                 {"%zz", "%zz"},
                                 {"x%", "x%"},
                                 {"d/e", "d/e"}});
}

TEST(EscapeForLinkTest, EscapesOneLevelDeeper) {
  ExpectEach(EscapeForLink, {{"a:b?.html", "a%253Ab%253F.html"}, {"<>*\\:|\"?", "%253C%253E%252A%255C%253A%257C%2522%253F"}});
}

TEST(EscapeAllFileNameCharsTest, EscapesSlashesTooAndDecodesNothing) {
  ExpectEach(EscapeAllFileNameChars,
             {{"a/b\\c*d?e:f\"g<h>i|j%20+", "a%2Fb%5Cc%2Ad%3Fe%3Af%22g%3Ch%3Ei%7Cj%20+"}});
}

TEST(DecodeKeepingReservedTest, KeepsEscapesOfBytesAFileNameCannotHold) {
  ExpectEach(DecodeKeepingReserved, {{"%3C%41%7F%1F%2F%25+", "%3CA%7F%1F%2F%25 "},
                                     {"%3f%3A%2a%5c%7c%22%3e", "%3f%3A%2a%5c%7c%22%3e"},
                                     {"%20%e9", " \xE9"},
                                     {"%g1%41", "%g1A"},
                                     {"%4", "%4"}});
}

}  // namespace
}  // namespace varnelo::retrieval
