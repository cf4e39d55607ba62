#include "url/url_reference.h"

#include <gtest/gtest.h>

namespace varnelo::retrieval {
namespace {

struct TResolveCase {
  const char* base;
  const char* reference;
  const char* result;
};

void PrintTo(const TResolveCase& c, std::ostream* os) { *os << c.base << " + " << c.reference; }

class ResolveReferenceTest : public ::testing::TestWithParam<TResolveCase> {};

TEST_P(ResolveReferenceTest, Joins) {
  EXPECT_EQ(ResolveReference(GetParam().base, GetParam().reference), GetParam().result);
}

constexpr const char* kPage = "http://h/d/p.html?q=1";
INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveReferenceTest,
    ::testing::Values(TResolveCase{kPage, "x.html", "http://h/d/x.html"},
                      TResolveCase{kPage, "?z", "http://h/d/p.html?z"}, TResolveCase{kPage, "/r", "http://h/r"},
                      TResolveCase{kPage, "//g/r", "http://g/r"}, TResolveCase{kPage, "#f", "http://h/d/p.html?q=1#f"},
                      TResolveCase{kPage, "", kPage}, TResolveCase{kPage, "mailto:a@b", "mailto:a@b"},
                      TResolveCase{kPage, ";x", "http://h/d/p.html;x"},
                      // Dot segments are left for the parser.
                      TResolveCase{kPage, "../y", "http://h/d/../y"},
                      TResolveCase{"http://h", "x", "http://h/x"}, TResolveCase{"http://h", "/r", "http://h/r"},
                      TResolveCase{"http://h", "?z", "http://h?z"}, TResolveCase{"http://h?q", "x", "http://h/x"},
                      TResolveCase{"http://h/a;p?q#f", ";x", "http://h/a;x"},
                      TResolveCase{"http://h/a;p?q#f", "?z", "http://h/a;p?z"},
                      TResolveCase{"http://h/a;p?q#f", "#g", "http://h/a;p?q#g"},
                      TResolveCase{"http://h/a#f", "?z", "http://h/a?z"},
                      // The last "/" is looked for in the query too.
                      TResolveCase{"http://h/d/p?u=http://x/y", "z", "http://h/d/p?u=http://x/z"},
                      TResolveCase{"h/x", "/r", "/r"}, TResolveCase{"h/x", "//g", "//g"},
                      TResolveCase{"page", "x", "page/x"}, TResolveCase{"./a:b", "c", "./c"}));

TEST(IsAbsoluteReferenceTest, NeedsASchemeWordBeforeTheColon) {
  for (const char* absolute : {"mailto:a@b", "c:\\x", "http://h", "a+b-1:", "X:"}) {
    EXPECT_TRUE(IsAbsoluteReference(absolute)) << absolute;
  }
  for (const char* relative : {"./a:b", ":x", "x", "", "a.b:c", "a b:c", "/x:y", "#a:b"}) {
    EXPECT_FALSE(IsAbsoluteReference(relative)) << relative;
  }
}

struct TRelativeCase {
  const char* from;
  const char* to;
  const char* result;
};

class RelativePathTest : public ::testing::TestWithParam<TRelativeCase> {};

TEST_P(RelativePathTest, Leads) { EXPECT_EQ(RelativePath(GetParam().from, GetParam().to), GetParam().result); }

INSTANTIATE_TEST_SUITE_P(Cases, RelativePathTest,
                         ::testing::Values(TRelativeCase{"http://h/d/index.html", "http://h/d/s/p.html", "s/p.html"},
                                           TRelativeCase{"http://h/d/index.html", "http://h/o/p.html", "../o/p.html"},
                                           TRelativeCase{"http://h/d/p.html", "http://h/d/p.html", "p.html"},
                                           TRelativeCase{"http://h/a/b/c.html", "http://h/x.html", "../../x.html"},
                                           TRelativeCase{"http://h/ab/x", "http://h/abc", "../abc"},
                                           TRelativeCase{"http://h/a", "http://h/a/b", "a/b"},
                                           TRelativeCase{"http://h/a/b", "http://h/a", "../a"},
                                           TRelativeCase{"http://h/d/p", "http://g/x", "../../g/x"},
                                           TRelativeCase{"", "x/y", "x/y"}, TRelativeCase{"a/b", "", "../"}));

TEST(DropDotSlashTest, DeletesDotSlashAfterAnOddRun) {
  const std::pair<const char*, const char*> cases[] = {
      {"a/./b", "a/b"}, {"../x", "../x"}, {"./x", "x"},       {"a/././b", "a/b"},     {"x/.y", "x/.y"},
      {"./../x", "../x"}, {"a.", "a."},  {"././", ""},       {"../../x", "../../x"}, {"", ""},
  };
  for (const auto& [link, result] : cases) EXPECT_EQ(DropDotSlash(link), result) << link;
}

}  // namespace
}  // namespace varnelo::retrieval
