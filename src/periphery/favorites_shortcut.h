#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::periphery {

// The user's favorites folder: this folder of the home.
inline constexpr std::string_view kFavoritesFolder = "Favorites";
// What the shortcut names as the Windows and system folders; Linux has neither, so they stay empty
// and the lines keep their place in the format.
inline constexpr std::string_view kWindowsFolder = "";
inline constexpr std::string_view kSystemFolder = "";

std::filesystem::path FavoritesDirectory(const std::filesystem::path& home);

// The name of the shortcut of a page titled `title`: the title without blanks (spaces and tabs) and
// without any of the characters " * / : < > ? | followed by ".url". NUL bytes and line breaks go too,
// and a title so long that the name would pass the file system's limit (255 bytes, with room for the
// temporary file's ".tmp") is cut at a
// character boundary, so that any title gives one file name inside the favorites folder.
std::string FavoritesFileName(std::string_view title);

// The six lines of the shortcut, each ended by CR LF: "[InternetShortcut]", "URL=" and the address,
// "WorkingDirectory=" and the Windows folder, "IconIndex=0", "ShowCommand=7", "IconFile=" and the
// system folder followed by "url.dll".
std::string FavoritesShortcutText(std::string_view url);

// The preview window's "add to favorites" button: writes the shortcut of the page now shown (its
// title and address) into the favorites folder, made when missing, replacing a file of the same name
// atomically. Returns the file written; throws std::system_error or std::filesystem::filesystem_error
// when it cannot be written.
std::filesystem::path AddToFavorites(const std::filesystem::path& home, std::string_view title, std::string_view url);

}  // namespace varnelo::periphery
