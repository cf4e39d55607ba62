#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo::retrieval {

// Classes of the URL character table: two bits, so a byte can be both reserved and unsafe.
inline constexpr uint8_t kPlainChar = 0;
inline constexpr uint8_t kReservedChar = 1;
inline constexpr uint8_t kUnsafeChar = 2;

uint8_t CharClass(unsigned char c);
bool IsHexDigit(char c);
// The value of a hexadecimal digit; the caller has checked it with IsHexDigit.
int HexValue(char c);

// One escaping of a URL text: plain bytes are unescaped, unsafe ones escaped, reserved escapes and
// reserved bytes left as they are, and a "%" that starts no escape becomes "%25".
std::string NormalizeEscapes(std::string_view text);
// Form decoding: "+" is a space, "%XX" the byte, "%%" a "%".
std::string UrlDecode(std::string_view text);
// Escapes every reserved byte, for the user and password of a composed URL.
std::string EscapeUserInfo(std::string_view text);

// The name of a file of the page store.
std::string EscapeForFileName(std::string_view text);
// The text of a link to such a file: one escape level deeper, so that a browser finds the stored name.
std::string EscapeForLink(std::string_view text);
// Escapes every character that a Windows file name cannot hold, "/" included; decodes nothing.
std::string EscapeAllFileNameChars(std::string_view text);
// Decodes escapes of ordinary bytes and keeps those of the bytes a file name cannot hold.
std::string DecodeKeepingReserved(std::string_view text);

}  // namespace varnelo::retrieval
