#include "url/url.h"

#include <gtest/gtest.h>

namespace varnelo::retrieval {
namespace {

struct TParsed {
  const char* text;
  const char* full;
  TScheme scheme;
  const char* host;
  uint16_t port;
  const char* path;
  const char* params;
  const char* query;
  const char* fragment;
  const char* dir;
  const char* fileName;
  const char* user;
  const char* password;
};

void PrintTo(const TParsed& c, std::ostream* os) { *os << c.text; }

class ParseUrlTest : public ::testing::TestWithParam<TParsed> {};

TEST_P(ParseUrlTest, FillsTheRecord) {
  const TParsed& c = GetParam();
  url record;
  ASSERT_EQ(ParseUrl(c.text, record), TUrlParseResult::NoError);
  EXPECT_EQ(record.Full, c.full);
  EXPECT_EQ(record.Scheme, c.scheme);
  EXPECT_EQ(record.Host, c.host);
  EXPECT_EQ(record.Port, c.port);
  EXPECT_EQ(record.Path, c.path);
  EXPECT_EQ(record.Params, c.params);
  EXPECT_EQ(record.Query, c.query);
  EXPECT_EQ(record.Fragment, c.fragment);
  EXPECT_EQ(record.Dir, c.dir);
  EXPECT_EQ(record.FileName, c.fileName);
  EXPECT_EQ(record.User, c.user);
  EXPECT_EQ(record.Password, c.password);
}

constexpr auto H = TScheme::HTTP;
INSTANTIATE_TEST_SUITE_P(
    Cases, ParseUrlTest,
    ::testing::Values(
        // Dot segments, a host in capitals and a fragment all make the text be rebuilt.
        TParsed{"http://WwW.Example.COM/a/./b/../c.html#top", "http://www.example.com/a/c.html#top", H,
                "www.example.com", 80, "a/c.html", "", "", "top", "a", "c.html", "", ""},
        TParsed{"http://h/", "http://h", H, "h", 80, "", "", "", "", "", "", "", ""},
        TParsed{"http://H", "http://h", H, "h", 80, "", "", "", "", "", "", "", ""},
        // An http URL inside the query does not change the scheme; a canonical text is kept as given.
        TParsed{"https://h/x?u=http://y/z", "https://h/x?u=http://y/z", TScheme::HTTPS, "h", 443, "x", "",
                "u=http://y/z", "", "", "x", "", ""},
        TParsed{"http://h:80/p", "http://h:80/p", H, "h", 80, "p", "", "", "", "", "p", "", ""},
        TParsed{"http://h:65616/p", "http://h:65616/p", H, "h", 80, "p", "", "", "", "", "p", "", ""},
        TParsed{"ftp://h/a?b#c", "ftp://h/a?b#c", TScheme::FTP, "h", 21, "a?b", "", "", "c", "", "a?b", "", ""},
        TParsed{"ftp://h/d/a?x/y", "ftp://h/d/a?x/y", TScheme::FTP, "h", 21, "d/a?x/y", "", "", "", "d/a?x", "y", "",
                ""},
        TParsed{"http://h/d/a+b%20c.html", "http://h/d/a+b%20c.html", H, "h", 80, "d/a+b%20c.html", "", "", "", "d",
                "a b c.html", "", ""},
        TParsed{"http://h/p;x=1?q=2", "http://h/p;x=1?q=2", H, "h", 80, "p", "x=1", "q=2", "", "", "p", "", ""},
        TParsed{"http://h/p?q;x#f", "http://h/p?q;x#f", H, "h", 80, "p", "", "q;x", "f", "", "p", "", ""},
        // Escapes of plain bytes are decoded, unsafe bytes escaped, reserved escapes kept.
        TParsed{"http://h/a%41b c%2f%zz", "http://h/aAb%20c%2f%25zz", H, "h", 80, "aAb%20c%2f%25zz", "", "", "",
                "", "aAb c/%zz", "", ""},
        TParsed{"http://h/%2E%2E/x", "http://h/x", H, "h", 80, "x", "", "", "", "", "x", "", ""},
        TParsed{"http://u%20s:p%3Aw@h/x", "http://u%20s:p%3Aw@h/x", H, "h", 80, "x", "", "", "", "", "x", "u s",
                "p:w"},
        TParsed{"http://u@h/x", "http://u@h/x", H, "h", 80, "x", "", "", "", "", "x", "u", ""},
        TParsed{"http://[::1]:8080/x", "http://[::1]:8080/x", H, "::1", 8080, "x", "", "", "", "", "x", "", ""},
        TParsed{"http://[FE80::1%1]/", "http://[fe80::1%251]", H, "fe80::1%251", 80, "", "", "", "", "", "", "", ""},
        // A "/" right after the authority keeps one leading "/" in the path.
        TParsed{"http://h//a", "http://h//a", H, "h", 80, "/a", "", "", "", "", "a", "", ""},
        TParsed{"http://h/a/", "http://h/a/", H, "h", 80, "a/", "", "", "", "a", "", "", ""},
        TParsed{"http://h#", "http://h", H, "h", 80, "", "", "", "", "", "", "", ""}));

struct TFailure {
  const char* text;
  TUrlParseResult code;
};

void PrintTo(const TFailure& c, std::ostream* os) { *os << c.text; }

class ParseUrlFailureTest : public ::testing::TestWithParam<TFailure> {};

TEST_P(ParseUrlFailureTest, ReturnsTheCodeAndLeavesTheRecord) {
  url record;
  record.Host = "kept";
  EXPECT_EQ(ParseUrl(GetParam().text, record), GetParam().code);
  EXPECT_EQ(record.Host, "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseUrlFailureTest,
    ::testing::Values(TFailure{"HTTP://h/", TUrlParseResult::UnsupportedScheme},
                      TFailure{"mailto:a@b", TUrlParseResult::UnsupportedScheme},
                      TFailure{"", TUrlParseResult::UnsupportedScheme},
                      TFailure{"http:///x", TUrlParseResult::EmptyHost}, TFailure{"http://", TUrlParseResult::EmptyHost},
                      TFailure{"http://u@/x", TUrlParseResult::EmptyHost},
                      TFailure{"http://h:/x", TUrlParseResult::BadPortNumber},
                      TFailure{"http://h:8a/x", TUrlParseResult::BadPortNumber},
                      TFailure{"http://h:-1", TUrlParseResult::BadPortNumber},
                      // The port is checked before the user part.
                      TFailure{"http://:p@h:x/", TUrlParseResult::BadPortNumber},
                      TFailure{"http://:p@h/", TUrlParseResult::InvalidUserName},
                      TFailure{"http://@h/", TUrlParseResult::InvalidUserName},
                      TFailure{"http://[::1/x", TUrlParseResult::UnterminatedIpv6},
                      TFailure{"http://[zz]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[1:2:3:4:5:6:7:8:9]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[1::2::3]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[fe80::]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[10000::1]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[::1%10000]/", TUrlParseResult::InvalidIpv6},
                      TFailure{"http://[:1]/", TUrlParseResult::InvalidIpv6}));

TEST(Ipv6HostTest, AcceptsTheWrittenForms) {
  for (const char* host : {"::1", "1:2:3:4:5:6:7:8", "::2:3:4:5:6:7:8", "fe80::1", "FFFF::ffff", "::1%ff", "0::0"}) {
    url record;
    EXPECT_EQ(ParseUrl(std::string("http://[") + host + "]/", record), TUrlParseResult::NoError) << host;
  }
}

TEST(ParseResultTextTest, NamesEveryCode) {
  EXPECT_EQ(ParseResultText(TUrlParseResult::NoError), "No error");
  EXPECT_EQ(ParseResultText(TUrlParseResult::UnsupportedScheme), "Unsupported scheme");
  EXPECT_EQ(ParseResultText(TUrlParseResult::EmptyHost), "Empty host");
  EXPECT_EQ(ParseResultText(TUrlParseResult::BadPortNumber), "Bad port number");
  EXPECT_EQ(ParseResultText(TUrlParseResult::InvalidUserName), "Invalid user name");
  EXPECT_EQ(ParseResultText(TUrlParseResult::UnterminatedIpv6), "Unterminated IPv6 numeric address");
  EXPECT_EQ(ParseResultText(TUrlParseResult::Ipv6NotSupported), "IPv6 addresses not supported");
  EXPECT_EQ(ParseResultText(TUrlParseResult::InvalidIpv6), "Invalid IPv6 numeric address");
}

TEST(SchemeOfTest, MatchesPrefixesCaseSensitively) {
  EXPECT_EQ(SchemeOf("http://x"), TScheme::HTTP);
  EXPECT_EQ(SchemeOf("https://x"), TScheme::HTTPS);
  EXPECT_EQ(SchemeOf("ftp://x"), TScheme::FTP);
  EXPECT_EQ(SchemeOf("Http://x"), TScheme::INVALID);
  EXPECT_EQ(SchemeOf("http:/x"), TScheme::INVALID);
  EXPECT_EQ(SchemeOf("file:///x"), TScheme::INVALID);
}

struct TDotCase {
  const char* path;
  const char* result;
  bool removed;
};

class RemoveDotSegmentsTest : public ::testing::TestWithParam<TDotCase> {};

TEST_P(RemoveDotSegmentsTest, Removes) {
  std::string path = GetParam().path;
  EXPECT_EQ(RemoveDotSegments(path), GetParam().removed) << GetParam().path;
  EXPECT_EQ(path, GetParam().result) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveDotSegmentsTest,
                         ::testing::Values(TDotCase{"a/b/../../../c", "c", true}, TDotCase{"a//b", "a/b", true},
                                           TDotCase{"/./a", "/a", true}, TDotCase{"a/./b", "a/b", true},
                                           TDotCase{"a/..", "", true}, TDotCase{"a/b/..", "a/", true},
                                           TDotCase{"a/.", "a/", true}, TDotCase{"./", "", true},
                                           TDotCase{"../x", "x", true}, TDotCase{"a/b", "a/b", false},
                                           TDotCase{".../.x/x.", ".../.x/x.", false}, TDotCase{"a/b/", "a/b/", false},
                                           TDotCase{"", "", false}, TDotCase{"/", "/", false},
                                           TDotCase{"//", "/", true}));

TEST(SplitPathTest, SplitsAtTheLastSlashAndDecodes) {
  std::string dir = "old", name = "old";
  SplitPath("a/b%20c/d+e", dir, name);
  EXPECT_EQ(dir, "a/b c");
  EXPECT_EQ(name, "d e");
  SplitPath("x", dir, name);
  EXPECT_EQ(dir, "");
  EXPECT_EQ(name, "x");
  SplitPath("", dir, name);
  EXPECT_EQ(dir, "");
  EXPECT_EQ(name, "");
}

TEST(ComposeUrlTest, WritesEachLevel) {
  url record;
  ASSERT_EQ(ParseUrl("http://u%40x:p%3B@H:8080/a/b;p?q#f", record), TUrlParseResult::NoError);
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::ToPath), "http://u%40x:p%3B@h:8080/a/b");
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::NoFragment), "http://u%40x:p%3B@h:8080/a/b;p?q");
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::Full), "http://u%40x:p%3B@h:8080/a/b;p?q#f");
  EXPECT_EQ(UrlSuffix(record), ";p?q#f");
}

TEST(ComposeUrlTest, DropsTheDefaultPortAndBracketsIpv6) {
  url record;
  ASSERT_EQ(ParseUrl("http://h:80/p", record), TUrlParseResult::NoError);
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::Full), "http://h/p");
  ASSERT_EQ(ParseUrl("https://[::1]:8080", record), TUrlParseResult::NoError);
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::Full), "https://[::1]:8080");
  ASSERT_EQ(ParseUrl("ftp://u@h:21/", record), TUrlParseResult::NoError);
  EXPECT_EQ(ComposeUrl(record, TUrlLevel::Full), "ftp://u@h");
}

TEST(UrlSuffixTest, JoinsOnlyThePresentParts) {
  url record;
  EXPECT_EQ(UrlSuffix(record), "");
  record.Query = "q";
  EXPECT_EQ(UrlSuffix(record), "?q");
  record.Fragment = "f";
  EXPECT_EQ(UrlSuffix(record), "?q#f");
}

TEST(ResetUrlTest, EmptiesEveryField) {
  url record;
  ASSERT_EQ(ParseUrl("http://u:p@h:81/d/f;a?q#f", record), TUrlParseResult::NoError);
  ResetUrl(record);
  EXPECT_EQ(record.Scheme, TScheme::INVALID);
  EXPECT_EQ(record.Port, 0);
  for (const std::string* text : {&record.Full, &record.Host, &record.Path, &record.Params, &record.Query,
                                  &record.Fragment, &record.Dir, &record.FileName, &record.User, &record.Password}) {
    EXPECT_EQ(*text, "");
  }
}

}  // namespace
}  // namespace varnelo::retrieval
