#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo::retrieval {

enum class TScheme : uint8_t { HTTP = 0, HTTPS = 1, FTP = 2, INVALID = 3 };

struct scheme_data {
  std::string_view Prefix;
  uint16_t DefaultPort;
  bool Supported;
};

inline constexpr std::array<scheme_data, 4> kSchemes = {{
    {"http://", 80, true},
    {"https://", 443, true},
    {"ftp://", 21, true},
    {"", 0, false},
}};

const scheme_data& SchemeData(TScheme scheme);

// A URL cut into its parts. A part the text lacks is empty; Dir, FileName, User and Password are
// decoded, the others stay escaped.
struct url {
  std::string Full;
  TScheme Scheme = TScheme::INVALID;
  std::string Host;
  uint16_t Port = 0;
  std::string Path;
  std::string Params;
  std::string Query;
  std::string Fragment;
  std::string Dir;
  std::string FileName;
  std::string User;
  std::string Password;
};

enum class TUrlParseResult : int {
  NoError = 0,
  UnsupportedScheme = 1,
  EmptyHost = 2,
  BadPortNumber = 3,
  InvalidUserName = 4,
  UnterminatedIpv6 = 5,
  Ipv6NotSupported = 6,
  InvalidIpv6 = 7,
};

std::string_view ParseResultText(TUrlParseResult result);

enum class TUrlLevel { ToPath, NoFragment, Full };

TScheme SchemeOf(std::string_view text);
// Fills every field of `record` with the canonical parts of `text` and returns NoError; any other
// result leaves the record as it was.
TUrlParseResult ParseUrl(std::string_view text, url& record);
// Drops "." and ".." segments and empty segments; true when the path changed.
bool RemoveDotSegments(std::string& path);
void SplitPath(std::string_view path, std::string& dir, std::string& fileName);
std::string ComposeUrl(const url& record, TUrlLevel level);
// ";params?query#fragment", each piece only when it is not empty.
std::string UrlSuffix(const url& record);
void ResetUrl(url& record);

}  // namespace varnelo::retrieval
