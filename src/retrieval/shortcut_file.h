#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnelo::retrieval {

// Internet Shortcut files (".url"), in their INI form.
inline constexpr std::string_view kShortcutSection = "InternetShortcut";
inline constexpr std::string_view kShortcutUrlKey = "URL";
inline constexpr std::string_view kShortcutExtension = ".url";
// The longest URL read from a shortcut.
inline constexpr size_t kMaxShortcutUrlLength = 2047;

// The URL of a shortcut: key "URL" of section "InternetShortcut" with the INI rules (names without
// regard to case, value trimmed, at most kMaxShortcutUrlLength bytes). A missing or unreadable file,
// section or key gives the empty text.
std::string ReadShortcutUrl(const std::filesystem::path& file);

// A URL as a line of a file can hold it: CR, LF and NUL bytes are percent-encoded, since no URL holds
// them as they stand and each would break the file's lines.
std::string UrlForLine(std::string_view url);

// The two lines that the bookmark editor writes: "[InternetShortcut]" and "URL=" with the URL, each
// ended by CR LF.
std::string ShortcutText(std::string_view url);

// Writes ShortcutText(url) to `file`, replacing it atomically. Throws std::system_error on failure.
void WriteShortcutFile(const std::filesystem::path& file, std::string_view url);

// A name typed by the user as a single file name of a folder: "/" becomes "%2F" and a NUL byte "%00",
// so that the file stays in the folder it is written to.
std::string EscapeFileNameComponent(std::string_view name);

}  // namespace varnelo::retrieval
