// ParseUrl and ComposeUrl on any bytes: no crash, and the canonical text parses back to the same parts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "support/url_properties.h"
#include "url/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  varnelo::retrieval::url record;
  if (varnelo::retrieval::ParseUrl(text, record) == varnelo::retrieval::TUrlParseResult::NoError) {
    (void)varnelo::retrieval::ComposeUrl(record, varnelo::retrieval::TUrlLevel::ToPath);
    (void)varnelo::retrieval::UrlSuffix(record);
  }
  if (const std::string failure = varnelo::test::CheckParsedUrl(text); !failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
