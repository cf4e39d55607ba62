// ParseUrl over a list of a million URLs shaped like the links of real pages: hosts in mixed case,
// ports, dot segments, escapes, queries and fragments. Prints URLs per second, best of three rounds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "url/url.h"

namespace {

using TClock = std::chrono::steady_clock;
constexpr size_t kUrlCount = 1'000'000;

std::vector<std::string> MakeUrls() {
  static const char* const kSchemes[] = {"http://", "http://", "http://", "https://", "https://", "ftp://"};
  static const char* const kHosts[] = {"www.example.com", "WWW.Example.org", "static.cdn.example.net", "localhost",
                                       "127.0.0.1:8080", "[::1]:8443", "news.example.co.uk", "a.b"};
  static const char* const kSegments[] = {"index.html", "images", "2026", "a%20b", "..", ".", "docs", "style.css",
                                          "api", "v1", "search", "caf%C3%A9", "x~y", "page.php", "A%41", ""};
  static const char* const kTails[] = {"", "", "", "?q=term&lang=fr", "#top", "?id=42#section-3", ";jsessionid=1"};
  std::mt19937 random(7);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  std::vector<std::string> urls;
  urls.reserve(kUrlCount);
  for (size_t i = 0; i < kUrlCount; ++i) {
    std::string url = kSchemes[pick(std::size(kSchemes))];
    url += kHosts[pick(std::size(kHosts))];
    for (size_t k = pick(6); k > 0; --k) url.append("/").append(kSegments[pick(std::size(kSegments))]);
    url += kTails[pick(std::size(kTails))];
    urls.push_back(std::move(url));
  }
  return urls;
}

}  // namespace

int main() {
  const std::vector<std::string> urls = MakeUrls();
  size_t bytes = 0;
  for (const std::string& url : urls) bytes += url.size();

  double best = 1e30;
  size_t parsed = 0;
  varnelo::retrieval::url record;
  for (int round = 0; round < 3; ++round) {
    parsed = 0;
    const auto start = TClock::now();
    for (const std::string& url : urls) {
      parsed += varnelo::retrieval::ParseUrl(url, record) == varnelo::retrieval::TUrlParseResult::NoError;
    }
    best = std::min(best, std::chrono::duration<double>(TClock::now() - start).count());
  }
  std::printf("ParseUrl: %zu URLs (%.1f MB), %zu parsed without error\n", urls.size(), bytes / 1e6, parsed);
  std::printf("ParseUrl: %.3f s, %.0f URLs/s\n", best, urls.size() / best);
  return 0;
}
