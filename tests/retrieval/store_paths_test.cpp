#include "retrieval/store_paths.h"

#include <gtest/gtest.h>

#include "url/url.h"

namespace varnelo::retrieval {
namespace {

const std::filesystem::path kHome = "/home/u/.local/share/varnelo";
const std::string kSite = kHome.string() + "/website/S/";

struct TStoreCase {
  const char* url;
  const char* directory;  // below the site's folder
  const char* path;
};

void PrintTo(const TStoreCase& c, std::ostream* os) { *os << c.url; }

class StorePathTest : public ::testing::TestWithParam<TStoreCase> {};

TEST_P(StorePathTest, NamesThePlaceInTheStore) {
  url record;
  ASSERT_EQ(ParseUrl(GetParam().url, record), TUrlParseResult::NoError);
  EXPECT_EQ(StoreDirectory(kHome, "S", record.Host, record.Dir), kSite + GetParam().directory);
  EXPECT_EQ(StorePath(kHome, "S", record.Host, record.Dir, record.FileName), kSite + GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Ordinary, StorePathTest,
    ::testing::Values(TStoreCase{"http://h/doc/a:b.html", "h/doc/", "h/doc/a%3Ab.html"},
                      TStoreCase{"http://h", "h/", "h/index.html"}, TStoreCase{"http://h/a/", "h/a/", "h/a/index.html"},
                      TStoreCase{"http://h/a:b%3F.html", "h/", "h/a%3Ab%3F.html"},
                      TStoreCase{"http://h/d%20e/f+g%2541.html", "h/d e/", "h/d e/f gA.html"},
                      TStoreCase{"http://h/x/%2520", "h/x/", "h/x/ "},
                      TStoreCase{"http://h/a%2Fb/c", "h/a/b/", "h/a/b/c"},
                      TStoreCase{"http://[::1]:8080/x", "::1/", "::1/x"}));

// Whatever a URL holds, its store path is a place inside the site's folder; the offending parts are
// escaped rather than dropped, so two such pages still land in different files.
INSTANTIATE_TEST_SUITE_P(
    Hostile, StorePathTest,
    ::testing::Values(
        TStoreCase{"http://h/..%2F..%2F..%2Fetc%2Fpasswd", "h/", "h/..%2F..%2F..%2Fetc%2Fpasswd"},
        TStoreCase{"http://h/a%2F..%2F..%2F..%2Fx/y.html", "h/a/%2E%2E/%2E%2E/%2E%2E/x/",
                   "h/a/%2E%2E/%2E%2E/%2E%2E/x/y.html"},
        TStoreCase{"http://h/x/%2E%2E%2F%2E%2E%2Fy", "h/x/", "h/x/..%2F..%2Fy"},
        TStoreCase{"http://h/%252E%252E/%252E%252E/x", "h/%2E%2E/%2E%2E/", "h/%2E%2E/%2E%2E/x"},
        TStoreCase{"http://h/a/%252E%252E", "h/a/", "h/a/%2E%2E"}, TStoreCase{"http://h/a/%252E", "h/a/", "h/a/%2E"},
        TStoreCase{"http://h/%2Fetc/passwd", "h//etc/", "h//etc/passwd"},
        TStoreCase{"http://h/..%00/x%00", "h/..%00/", "h/..%00/x%00"}, TStoreCase{"http://../x", "%2E%2E/", "%2E%2E/x"},
        TStoreCase{"http://./x", "%2E/", "%2E/x"}, TStoreCase{"http://%2E%2E/", "%2E%2E/", "%2E%2E/index.html"},
        TStoreCase{"http://u@..:81/..%2F", "%2E%2E/", "%2E%2E/..%2F"},
        TStoreCase{"ftp://h/..?/../../x", "h/", "h/x"}));

TEST(StorePathTest, BlankFileNameIsTheIndex) {
  EXPECT_EQ(StorePath(kHome, "S", "h", "", " \t"), kSite + "h/index.html");
  EXPECT_EQ(StorePath(kHome, "S", "h", "", ""), kSite + "h/index.html");
  EXPECT_EQ(StoreDirectory(kHome, "S", "h", ""), kSite + "h/");
}

TEST(StorePathTest, HostileNamesPassedDirectlyStayInside) {
  EXPECT_EQ(StorePath(kHome, "S", "a/../..", "..", "../x"), kSite + "a%2F..%2F../%2E%2E/..%2Fx");
  EXPECT_EQ(StoreDirectory(kHome, "S", "..", "./../a"), kSite + "%2E%2E/%2E/%2E%2E/a/");
}

}  // namespace
}  // namespace varnelo::retrieval
