#include "retrieval/shortcut_file.h"

#include <system_error>

#include "config/ini_text.h"
#include "platform/atomic_file.h"

namespace varnelo::retrieval {

std::string ReadShortcutUrl(const std::filesystem::path& file) {
  std::optional<std::string> content;
  try {
    content = platform::ReadWholeFile(file);
  } catch (const std::system_error&) {
    return {};  // an unreadable file reads like one without the key
  }
  if (!content) return {};
  const config::TIniText ini(std::move(*content));
  const auto value = ini.Value(kShortcutSection, kShortcutUrlKey);
  if (!value) return {};
  return std::string(value->substr(0, kMaxShortcutUrlLength));
}

std::string UrlForLine(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (const char c : url) {
    switch (c) {
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      case '\0': out += "%00"; break;
      default: out += c;
    }
  }
  return out;
}

std::string ShortcutText(std::string_view url) {
  return "[InternetShortcut]\r\nURL=" + UrlForLine(url) + "\r\n";
}

void WriteShortcutFile(const std::filesystem::path& file, std::string_view url) {
  platform::ReplaceFileAtomically(file, ShortcutText(url));
}

std::string EscapeFileNameComponent(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    if (c == '/') {
      out += "%2F";
    } else if (c == '\0') {
      out += "%00";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace varnelo::retrieval
