#include "url/url_escaping.h"

#include <array>

#include "platform/percent_encoding.h"

namespace varnelo::retrieval {
namespace {

constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) classes[c] = kUnsafeChar;
  for (unsigned char c : std::string_view("!$'(),-._")) classes[c] = kPlainChar;
  for (int c = '0'; c <= '9'; ++c) classes[c] = kPlainChar;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] = kPlainChar;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] = kPlainChar;
  for (unsigned char c : std::string_view("&+/;=?")) classes[c] = kReservedChar;
  for (unsigned char c : std::string_view("#:@[]")) classes[c] = kReservedChar | kUnsafeChar;
  return classes;
}

constexpr std::array<uint8_t, 256> kCharClasses = MakeCharClasses();

bool StartsEscape(std::string_view text, size_t i) {
  return i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]);
}

unsigned char EscapedByte(std::string_view text, size_t i) {
  return static_cast<unsigned char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
}

// Replaces each byte of `from` by the escape at the same position of `to`, then decodes.
template <size_t N>
std::string EscapeThenDecode(std::string_view text, std::string_view from,
                             const std::array<std::string_view, N>& to, bool decode) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const size_t k = from.find(c);
    if (k == std::string_view::npos) {
      out += c;
    } else {
      out += to[k];
    }
  }
  return decode ? DecodeKeepingReserved(out) : out;
}

// A file name cannot hold these, so their escapes stay escaped.
bool KeptEscaped(unsigned char c) {
  return c < 32 || c == 127 || std::string_view("?<>*\\:/|%\"").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

uint8_t CharClass(unsigned char c) { return kCharClasses[c]; }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) {
  if (c <= '9') return c - '0';
  return (c | 0x20) - 'a' + 10;
}

std::string NormalizeEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t copied = 0;  // bytes of `text` before this position are in `out` already
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c != '%' && CharClass(c) != kUnsafeChar) continue;
    out.append(text.substr(copied, i - copied));
    if (c != '%') {
      platform::AppendPercentEscape(out, c);
    } else if (!StartsEscape(text, i)) {
      out += "%25";
    } else if (const unsigned char decoded = EscapedByte(text, i); CharClass(decoded) == kPlainChar) {
      out += static_cast<char>(decoded);
      i += 2;
    } else {
      out.append(text.substr(i, 3));
      i += 2;
    }
    copied = i + 1;
  }
  out.append(text.substr(copied));
  return out;
}

std::string UrlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t copied = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '+' && c != '%') continue;
    out.append(text.substr(copied, i - copied));
    if (c == '+') {
      out += ' ';
    } else if (i + 1 < text.size() && text[i + 1] == '%') {
      out += '%';
      ++i;
    } else if (StartsEscape(text, i)) {
      out += static_cast<char>(EscapedByte(text, i));
      i += 2;
    } else {
      out += c;
    }
    copied = i + 1;
  }
  out.append(text.substr(copied));
  return out;
}

std::string EscapeUserInfo(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (CharClass(static_cast<unsigned char>(c)) & kReservedChar) {
      platform::AppendPercentEscape(out, static_cast<unsigned char>(c));
    } else {
      out += c;
    }
  }
  return out;
}

namespace {
constexpr std::string_view kFileNameChars = "<>*\\:|\"?";
constexpr std::array<std::string_view, 8> kFileNameEscapes = {"%3C", "%3E", "%2A", "%5C",
                                                              "%3A", "%7C", "%22", "%3F"};
constexpr std::array<std::string_view, 8> kLinkEscapes = {"%253C", "%253E", "%252A", "%255C",
                                                          "%253A", "%257C", "%2522", "%253F"};
constexpr std::string_view kAllFileNameChars = "\\/*?:\"<>|";
constexpr std::array<std::string_view, 9> kAllFileNameEscapes = {"%5C", "%2F", "%2A", "%3F", "%3A",
                                                                 "%22", "%3C", "%3E", "%7C"};
}  // namespace

std::string EscapeForFileName(std::string_view text) {
  return EscapeThenDecode(text, kFileNameChars, kFileNameEscapes, true);
}

std::string EscapeForLink(std::string_view text) { return EscapeThenDecode(text, kFileNameChars, kLinkEscapes, true); }

std::string EscapeAllFileNameChars(std::string_view text) {
  return EscapeThenDecode(text, kAllFileNameChars, kAllFileNameEscapes, false);
}

std::string DecodeKeepingReserved(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
      out += '%';
      ++i;
    } else if (c == '%' && StartsEscape(text, i)) {
      const unsigned char decoded = EscapedByte(text, i);
      if (KeptEscaped(decoded)) {
        out.append(text.substr(i, 3));
      } else {
        out += static_cast<char>(decoded);
      }
      i += 2;
    } else {
      // Includes a "%" that starts no escape: copied, and the scan goes on after it.
      out += c;
    }
  }
  return out;
}

}  // namespace varnelo::retrieval
