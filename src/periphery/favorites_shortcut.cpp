#include "periphery/favorites_shortcut.h"

#include "platform/atomic_file.h"
#include "retrieval/shortcut_file.h"

namespace varnelo::periphery {
namespace {

// 255 bytes, less the ".tmp" of the temporary file written beside it.
constexpr size_t kMaxFileNameBytes = 251;

bool IsRemoved(char c) {
  switch (c) {
    case ' ': case '\t': case '"': case '*': case '/': case ':': case '<': case '>': case '?': case '|':
    case '\0': case '\r': case '\n':
      return true;
    default:
      return false;
  }
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::filesystem::path FavoritesDirectory(const std::filesystem::path& home) { return home / kFavoritesFolder; }

std::string FavoritesFileName(std::string_view title) {
  std::string name;
  for (const char c : title) {
    if (!IsRemoved(c)) name += c;
  }
  const size_t room = kMaxFileNameBytes - retrieval::kShortcutExtension.size();
  if (name.size() > room) {
    size_t cut = room;
    while (cut > 0 && IsUtf8Continuation(name[cut])) --cut;
    name.resize(cut);
  }
  return name + std::string(retrieval::kShortcutExtension);
}

std::string FavoritesShortcutText(std::string_view url) {
  std::string text = "[InternetShortcut]\r\nURL=";
  text += retrieval::UrlForLine(url);
  text += "\r\nWorkingDirectory=";
  text += kWindowsFolder;
  text += "\r\nIconIndex=0\r\nShowCommand=7\r\nIconFile=";
  text += kSystemFolder;
  text += "url.dll\r\n";
  return text;
}

std::filesystem::path AddToFavorites(const std::filesystem::path& home, std::string_view title, std::string_view url) {
  const std::filesystem::path folder = FavoritesDirectory(home);
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / FavoritesFileName(title);
  platform::ReplaceFileAtomically(file, FavoritesShortcutText(url));
  return file;
}

}  // namespace varnelo::periphery
