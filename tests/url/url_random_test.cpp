#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/url_properties.h"
#include "url/url.h"
#include "url/url_reference.h"

namespace varnelo::retrieval {
namespace {

// Random texts built from the pieces that steer the parser, so that most of them reach deep paths.
class TUrlGenerator {
 public:
  explicit TUrlGenerator(uint32_t seed) : random_(seed) {}

  std::string Url() {
    static const char* const kStarts[] = {"http://", "https://", "ftp://", "HTTP://", "", "http:/"};
    std::string text = kStarts[Pick(6) == 0 ? 4 + Pick(2) : Pick(3)];
    const size_t pieces = Pick(12);
    for (size_t i = 0; i < pieces; ++i) text += Piece();
    return text;
  }

  // A canonical-looking page URL on one of two hosts, made of plain segments.
  std::string PlainUrl() {
    std::string text = Pick(2) ? "http://h" : "http://h:8080";
    const size_t segments = 1 + Pick(4);
    for (size_t i = 0; i < segments; ++i) text += "/" + std::string(kSegments[Pick(std::size(kSegments))]);
    return text;
  }

  std::string Piece() {
    static const char* const kPieces[] = {"/",   "//",  ".",  "..",  "./",  "../", "@",  ":",   "[",    "]",
                                          "::1", "?",   "#",  ";",   "%",   "%2F", "%2E", "%25", "%41", "%zz",
                                          "+",   " ",   "h",  "Ab",  "80",  "65616", "\xE9", "=",  "&",   "\\",
                                          "a.b", "%00", "x:", "fe80", "%2f%2e%2e"};
    if (Pick(8) == 0) return std::string(1, static_cast<char>(Pick(256)));
    return kPieces[Pick(std::size(kPieces))];
  }

  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

 private:
  static constexpr const char* kSegments[] = {"a", "b", "ab", "abc", "x.html", "...", ".a", "a-b", "d"};
  std::mt19937 random_;
};

TEST(UrlRandomTest, CanonicalTextsParseBackAndStayInTheStore) {
  TUrlGenerator generator(20261210);
  for (int i = 0; i < 40000; ++i) {
    const std::string text = generator.Url();
    ASSERT_EQ(test::CheckParsedUrl(text), "") << "input: " << text;
  }
}

TEST(UrlRandomTest, ReferencesResolveAndRelativePathsLeadBack) {
  TUrlGenerator generator(42);
  for (int i = 0; i < 20000; ++i) {
    const std::string base = generator.Url();
    std::string reference;
    for (size_t k = generator.Pick(6); k > 0; --k) reference += generator.Piece();
    ASSERT_EQ(test::CheckReference(base, reference), "") << base << " + " << reference;
    const std::string from = generator.PlainUrl();
    const std::string to = generator.PlainUrl();
    ASSERT_EQ(test::CheckReference(from, to), "") << from << " -> " << to;
    (void)RelativePath(base, reference);
  }
}

}  // namespace
}  // namespace varnelo::retrieval
