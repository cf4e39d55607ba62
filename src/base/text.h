#pragma once

#include <string>
#include <string_view>
#include <vector>

// Byte text helpers. Text is bytes (UTF-8 on Linux); only the ASCII letters change case, so that
// every byte of a multi-byte character stays as it is.
namespace varnelo::base {

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string AsciiLowered(std::string_view text);
std::string AsciiUppered(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// `text` without the bytes of `bytes` at either end.
std::string_view TrimAny(std::string_view text, std::string_view bytes);
// Without blanks (space and tab) at either end.
std::string_view TrimBlanks(std::string_view text);
// Without spaces and control bytes (0x00 to 0x20) at either end, or at its end only.
std::string_view TrimSpaces(std::string_view text);
std::string_view TrimSpacesRight(std::string_view text);

// `text` cut into lines: CR LF, LF or CR ends a line; a last line without an end is a line; an empty
// text gives no line (the way a string list loads a stream).
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace varnelo::base
