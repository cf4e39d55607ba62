#include "platform/file_url.h"

#include <strings.h>

#include "platform/percent_encoding.h"

namespace varnelo::platform {
namespace {

constexpr std::string_view kFileScheme = "file://";

// The bytes that RFC 3986 lets a path segment hold as they are, and the "/" between segments.
bool IsPathChar(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~!$&'()*+,;=:@/").find(static_cast<char>(c)) != std::string_view::npos;
}

// "%XX" escapes decoded; a "%" that starts none stays as it is.
std::string DecodeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (const std::optional<unsigned char> byte = PercentEscapeAt(text, i)) {
      out += static_cast<char>(*byte);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::string FileUrl(const std::filesystem::path& file) {
  return std::string(kFileScheme) + PercentEncode(file.string(), IsPathChar);
}

std::optional<std::filesystem::path> FileUrlPath(std::string_view url) {
  if (url.size() < kFileScheme.size() || ::strncasecmp(url.data(), kFileScheme.data(), kFileScheme.size()) != 0) {
    return std::nullopt;
  }
  std::string_view rest = url.substr(kFileScheme.size());
  rest = rest.substr(0, rest.find_first_of("?#"));
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view host = rest.substr(0, slash);
  constexpr std::string_view kLocalhost = "localhost";
  if (!host.empty() &&
      (host.size() != kLocalhost.size() || ::strncasecmp(host.data(), kLocalhost.data(), host.size()) != 0)) {
    return std::nullopt;
  }
  return std::filesystem::path(DecodeEscapes(rest.substr(slash)));
}

}  // namespace varnelo::platform
