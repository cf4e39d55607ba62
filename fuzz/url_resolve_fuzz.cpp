// ResolveReference and RelativePath on any base and reference (split at the first line break).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "support/url_properties.h"
#include "url/url_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\n');
  const std::string_view base = input.substr(0, split);
  const std::string_view reference = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
  (void)varnelo::retrieval::RelativePath(base, reference);
  (void)varnelo::retrieval::IsAbsoluteReference(reference);
  if (const std::string failure = varnelo::test::CheckReference(base, reference); !failure.empty()) {
    std::fprintf(stderr, "%s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
