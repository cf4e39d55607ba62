// Any bytes as what the MHT writer receives from a crawl: a URL, a content type and a page, parsed when it
// is HTML. Writing the archive ends without a crash, within its part limit, and base64 keeps its length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

#include "parsing/html_parser.h"
#include "retrieval/mht_archive.h"

using namespace varnelo::retrieval;

namespace {

// The next field of the input, up to a NUL byte.
std::string_view Field(std::string_view& text) {
  const size_t end = text.find('\0');
  const std::string_view field = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string_view url = Field(text);
  const std::string_view contentType = Field(text);
  const std::string_view page = Field(text);
  const std::string_view rest = text;

  if (EncodeBase64(page).size() != (page.size() + 2) / 3 * 4) std::abort();

  varnelo::parsing::THTMLParser parser;
  parser.Parse(page);
  tstringlistimp archive;
  BeginArchive(archive, url);
  std::mutex lock;
  AddHtmlPart(&lock, archive, std::string(rest), url, contentType);
  AddBinaryPart(&lock, archive, rest, url, contentType);
  AddFirstPart(archive, contentType, &parser.Root(), url, page);
  EndArchive(archive);
  if (archive.PartCounter() > tstringlistimp::kPartLimit) std::abort();
  (void)archive.Text();
  return 0;
}
