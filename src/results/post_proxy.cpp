#include "results/post_proxy.h"

#include <algorithm>
#include <vector>

#include "platform/file_url.h"
#include "platform/percent_encoding.h"

namespace varnelo::results {
namespace {

constexpr std::string_view kBodySeparator = "%00";

// The range of the second byte of a UTF-8 sequence that starts with `lead` (no overlong forms, no
// surrogates, nothing above U+10FFFF); the length of the sequence, 0 when `lead` starts none.
struct TSequence {
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;
};
TSequence SequenceOf(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  if (lead >= 0xF1 && lead <= 0xF3) return {4};
  return {};
}

// decodeURIComponent: none when an escape is malformed or the escapes do not spell UTF-8.
std::optional<std::string> DecodeUriComponent(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    const std::optional<unsigned char> lead = platform::PercentEscapeAt(text, i);
    if (!lead) return std::nullopt;
    i += 3;
    out += static_cast<char>(*lead);
    if (*lead < 0x80) continue;
    const TSequence sequence = SequenceOf(*lead);
    if (sequence.length == 0) return std::nullopt;
    for (int n = 1; n < sequence.length; ++n) {
      const std::optional<unsigned char> next = platform::PercentEscapeAt(text, i);
      const unsigned char low = n == 1 ? sequence.low : 0x80;
      const unsigned char high = n == 1 ? sequence.high : 0xBF;
      if (!next || *next < low || *next > high) return std::nullopt;
      out += static_cast<char>(*next);
      i += 3;
    }
  }
  return out;
}

std::string DecodeFormText(std::string_view text) {
  std::string spaced(text);
  std::replace(spaced.begin(), spaced.end(), '+', ' ');
  return DecodeUriComponent(spaced).value_or(spaced);
}

// A form turns every line break of a name or value into CR LF before it encodes it.
std::string NormalizeLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool IsFormPlain(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
         c == '.' || c == '_';
}

std::string EncodeFormText(std::string_view text) {
  std::string encoded = platform::PercentEncode(NormalizeLineBreaks(text),
                                                [](unsigned char c) { return IsFormPlain(c) || c == ' '; });
  std::replace(encoded.begin(), encoded.end(), ' ', '+');
  return encoded;
}

}  // namespace

std::string PostProxyUrl(const std::filesystem::path& home, std::string_view targetUrl, std::string_view body) {
  std::string url = platform::FileUrl(home / kPostProxyFileName);
  url += '#';
  url += targetUrl;
  url += kBodySeparator;
  url += body;
  std::replace(url.begin(), url.end(), '\\', '/');
  return url;
}

std::optional<TPostProxyRequest> PostProxyRequest(std::string_view url) {
  const size_t hash = url.find('#');
  if (hash == std::string_view::npos) return std::nullopt;
  const std::optional<std::filesystem::path> page = platform::FileUrlPath(url);
  if (!page || page->filename() != kPostProxyFileName) return std::nullopt;
  const std::string_view fragment = url.substr(hash + 1);
  const size_t separator = fragment.find(kBodySeparator);
  TPostProxyRequest request;
  request.TargetUrl = std::string(fragment.substr(0, separator));
  if (request.TargetUrl.empty()) return std::nullopt;
  if (separator != std::string_view::npos) {
    request.Body = ReencodeFormBody(fragment.substr(separator + kBodySeparator.size()));
  }
  return request;
}

std::string ReencodeFormBody(std::string_view body) {
  std::string encoded;
  size_t start = 0;
  while (start <= body.size()) {
    const size_t end = std::min(body.find('&', start), body.size());
    const std::string_view pair = body.substr(start, end - start);
    start = end + 1;
    if (pair.empty()) continue;
    const size_t equals = pair.find('=');
    const std::string name = DecodeFormText(pair.substr(0, equals));
    if (name.empty()) continue;
    const std::string value = equals == std::string_view::npos ? "" : DecodeFormText(pair.substr(equals + 1));
    if (!encoded.empty()) encoded += '&';
    encoded += EncodeFormText(name);
    encoded += '=';
    encoded += EncodeFormText(value);
  }
  return encoded;
}

}  // namespace varnelo::results
