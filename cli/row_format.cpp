#include "row_format.h"

#include <cstdio>

namespace varnelo::cli {
namespace {

// The length of the valid UTF-8 sequence that starts at `at` (a byte of 0x80 or more); 0 when there
// is none (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
size_t Utf8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

std::string UnicodeEscape(unsigned char byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
  return escaped;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80) {
      if (const size_t length = Utf8SequenceLength(bytes, i); length > 0) {
        out.append(bytes.substr(i, length));
        i += length;
      } else {
        out += UnicodeEscape(c);
        ++i;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) out += UnicodeEscape(c);
        else out += static_cast<char>(c);
    }
    ++i;
  }
  return out + "\"";
}

std::string TsvField(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string RowLine(std::string_view tabCaption, const base::TListRow& row, bool json) {
  if (json) {
    std::string line = "{\"tab\":" + JsonString(tabCaption) + ",\"columns\":[" + JsonString(row.Caption);
    for (const std::string& item : row.SubItems) line += "," + JsonString(item);
    return line + "]}";
  }
  std::string line = TsvField(tabCaption) + '\t' + TsvField(row.Caption);
  for (const std::string& item : row.SubItems) line += '\t' + TsvField(item);
  return line;
}

std::string NavigationLine(std::string_view tabCaption, const base::TTabContent& content, bool json) {
  if (json) {
    std::string line = "{\"tab\":" + JsonString(tabCaption) + ",\"url\":" + JsonString(content.Url);
    if (!content.PostData.empty()) line += ",\"post\":" + JsonString(content.PostData);
    return line + "}";
  }
  std::string line = TsvField(tabCaption) + '\t' + TsvField(content.Url);
  if (!content.PostData.empty()) line += '\t' + TsvField(content.PostData);
  return line;
}

}  // namespace varnelo::cli
