#include "url/url.h"

#include <algorithm>

#include "url/url_escaping.h"

namespace varnelo::retrieval {
namespace {

// A set of stop characters as a table; string_view::find_first_of calls memchr for every byte.
struct TStopSet {
  std::array<bool, 256> member{};
  constexpr explicit TStopSet(std::string_view chars) {
    for (char c : chars) member[static_cast<unsigned char>(c)] = true;
  }
};

constexpr TStopSet kUserEnd("@/?#;");
constexpr TStopSet kHostEnd(":/;?#");
constexpr TStopSet kPortEnd("/;?#");
constexpr TStopSet kPathEnd(";?#");
constexpr TStopSet kParamsEnd("?#");
constexpr TStopSet kQueryEnd("#");

// The position of the first member of `stops` from `from` on, or the end of the text.
size_t FindFirstOf(std::string_view text, const TStopSet& stops, size_t from) {
  while (from < text.size() && !stops.member[static_cast<unsigned char>(text[from])]) ++from;
  return from;
}

bool ParseHexGroup(std::string_view group) {
  if (group.empty()) return false;
  unsigned value = 0;
  for (char c : group) {
    if (!IsHexDigit(c)) return false;
    value = value * 16 + HexValue(c);
    if (value > 0xFFFF) return false;
  }
  return true;
}

// At most eight hexadecimal groups of up to FFFF, one "::" at most, a non-empty last group and an
// optional "%" zone index.
bool IsIpv6Address(std::string_view text) {
  if (const size_t percent = text.find('%'); percent != std::string_view::npos) {
    if (!ParseHexGroup(text.substr(percent + 1))) return false;
    text = text.substr(0, percent);
  }
  const size_t run = text.find("::");
  if (run != std::string_view::npos && text.find("::", run + 1) != std::string_view::npos) return false;
  int groups = run == std::string_view::npos ? 0 : 1;
  size_t start = 0;
  if (run == 0) start = 2;
  while (start <= text.size()) {
    size_t end = text.find(':', start);
    if (end == std::string_view::npos) end = text.size();
    if (!ParseHexGroup(text.substr(start, end - start))) return false;
    if (++groups > 8) return false;
    if (end == text.size()) break;
    start = end + 1;
    if (end == run) ++start;
  }
  return true;
}

bool HasUpperCase(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

void AssignLowerCase(std::string& to, std::string_view from) {
  to.assign(from);
  for (char& c : to) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
}

// Port digits read into 16 bits, wrapping as the value grows; false for an empty or non-digit text.
bool ParsePort(std::string_view text, uint16_t& port) {
  if (text.empty()) return false;
  uint16_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = static_cast<uint16_t>(value * 10 + (c - '0'));
  }
  port = value;
  return true;
}

}  // namespace

const scheme_data& SchemeData(TScheme scheme) { return kSchemes[static_cast<size_t>(scheme)]; }

std::string_view ParseResultText(TUrlParseResult result) {
  static constexpr std::array<std::string_view, 8> kTexts = {
      "No error",
      "Unsupported scheme",
      "Empty host",
      "Bad port number",
      "Invalid user name",
      "Unterminated IPv6 numeric address",
      "IPv6 addresses not supported",
      "Invalid IPv6 numeric address",
  };
  return kTexts.at(static_cast<size_t>(result));
}

TScheme SchemeOf(std::string_view text) {
  for (size_t i = 0; i < 3; ++i) {
    if (text.starts_with(kSchemes[i].Prefix)) return static_cast<TScheme>(i);
  }
  return TScheme::INVALID;
}

TUrlParseResult ParseUrl(std::string_view text, url& record) {
  const TScheme scheme = SchemeOf(text);
  if (scheme == TScheme::INVALID) return TUrlParseResult::UnsupportedScheme;
  std::string normalized = NormalizeEscapes(text);
  const std::string_view d = normalized;
  const size_t authority = SchemeData(scheme).Prefix.size();

  std::string_view userPart;
  bool hasUserPart = false;
  size_t pos = authority;
  if (const size_t at = FindFirstOf(d, kUserEnd, authority); at < d.size() && d[at] == '@') {
    userPart = d.substr(authority, at - authority);
    hasUserPart = true;
    pos = at + 1;
  }

  std::string_view host;
  if (pos < d.size() && d[pos] == '[') {
    const size_t close = d.find(']', pos);
    if (close == std::string_view::npos) return TUrlParseResult::UnterminatedIpv6;
    host = d.substr(pos + 1, close - pos - 1);
    if (!IsIpv6Address(host)) return TUrlParseResult::InvalidIpv6;
    pos = close + 1;
  } else {
    const size_t end = FindFirstOf(d, kHostEnd, pos);
    host = d.substr(pos, end - pos);
    pos = end;
  }
  if (host.empty()) return TUrlParseResult::EmptyHost;

  uint16_t port = SchemeData(scheme).DefaultPort;
  if (pos < d.size() && d[pos] == ':') {
    const size_t end = FindFirstOf(d, kPortEnd, pos + 1);
    if (!ParsePort(d.substr(pos + 1, end - pos - 1), port)) return TUrlParseResult::BadPortNumber;
    pos = end;
  }

  std::string_view path, params, query, fragment;
  if (pos < d.size() && d[pos] == '/') {
    const size_t end = FindFirstOf(d, kPathEnd, pos + 1);
    path = d.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < d.size() && d[pos] == ';') {
    const size_t end = FindFirstOf(d, kParamsEnd, pos + 1);
    params = d.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  std::string ftpPath;
  if (pos < d.size() && d[pos] == '?') {
    const size_t end = FindFirstOf(d, kQueryEnd, pos + 1);
    if (scheme == TScheme::FTP) {
      // FTP has no query: the "?" and what follows it belong to the path.
      ftpPath.assign(path).append(d.substr(pos, end - pos));
      path = ftpPath;
    } else {
      query = d.substr(pos + 1, end - pos - 1);
    }
    pos = end;
  }
  if (pos < d.size() && d[pos] == '#') fragment = d.substr(pos + 1);

  std::string_view user = userPart, password;
  if (hasUserPart) {
    if (userPart.empty() || userPart.front() == ':') return TUrlParseResult::InvalidUserName;
    if (const size_t colon = userPart.find(':'); colon != std::string_view::npos) {
      user = userPart.substr(0, colon);
      password = userPart.substr(colon + 1);
    }
  }

  record.Scheme = scheme;
  AssignLowerCase(record.Host, host);
  record.Port = port;
  record.User = UrlDecode(user);
  record.Password = UrlDecode(password);
  record.Path.assign(path);
  const bool removed = RemoveDotSegments(record.Path);
  SplitPath(record.Path, record.Dir, record.FileName);
  record.Params.assign(params);
  record.Query.assign(query);
  record.Fragment.assign(fragment);
  if (removed || !fragment.empty() || HasUpperCase(host) || record.Path.empty()) {
    record.Full = ComposeUrl(record, TUrlLevel::Full);
  } else {
    record.Full = std::move(normalized);
  }
  return TUrlParseResult::NoError;
}

bool RemoveDotSegments(std::string& path) {
  const size_t n = path.size();
  const size_t start = !path.empty() && path[0] == '/' ? 1 : 0;
  size_t r = start, w = start;
  while (r < n) {
    const bool dotEnds = path[r] == '.' && (r + 1 == n || path[r + 1] == '/');
    const bool dotDotEnds = path[r] == '.' && r + 1 < n && path[r + 1] == '.' && (r + 2 == n || path[r + 2] == '/');
    if (dotEnds) {
      r += 2;
    } else if (dotDotEnds) {
      if (w > start) {
        --w;
        while (w > start && path[w - 1] != '/') --w;
      }
      r += 3;
    } else if (path[r] == '/') {
      ++r;
    } else {
      while (r < n && path[r] != '/') path[w++] = path[r++];
      if (r < n) path[w++] = path[r++];
    }
  }
  if (w >= r) return false;
  path.resize(w);
  return true;
}

void SplitPath(std::string_view path, std::string& dir, std::string& fileName) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    dir.clear();
    fileName = UrlDecode(path);
  } else {
    dir = UrlDecode(path.substr(0, slash));
    fileName = UrlDecode(path.substr(slash + 1));
  }
}

std::string ComposeUrl(const url& record, TUrlLevel level) {
  const scheme_data& scheme = SchemeData(record.Scheme);
  std::string out;
  out.reserve(scheme.Prefix.size() + record.Host.size() + record.Path.size() + record.Params.size() +
              record.Query.size() + record.Fragment.size() + 16);
  out += scheme.Prefix;
  if (!record.User.empty()) {
    out += EscapeUserInfo(record.User);
    if (!record.Password.empty()) out.append(":").append(EscapeUserInfo(record.Password));
    out += '@';
  }
  if (record.Host.find(':') != std::string::npos) {
    out.append("[").append(record.Host).append("]");
  } else {
    out += record.Host;
  }
  if (record.Port != scheme.DefaultPort) out.append(":").append(std::to_string(record.Port));
  if (!record.Path.empty()) out.append("/").append(record.Path);
  if (level == TUrlLevel::ToPath) return out;
  if (!record.Params.empty()) out.append(";").append(record.Params);
  if (!record.Query.empty()) out.append("?").append(record.Query);
  if (level == TUrlLevel::NoFragment) return out;
  if (!record.Fragment.empty()) out.append("#").append(record.Fragment);
  return out;
}

std::string UrlSuffix(const url& record) {
  std::string out;
  if (!record.Params.empty()) out.append(";").append(record.Params);
  if (!record.Query.empty()) out.append("?").append(record.Query);
  if (!record.Fragment.empty()) out.append("#").append(record.Fragment);
  return out;
}

void ResetUrl(url& record) {
  for (std::string* text : {&record.Full, &record.Host, &record.Path, &record.Params, &record.Query,
                            &record.Fragment, &record.Dir, &record.FileName, &record.User, &record.Password}) {
    text->clear();
  }
  record.Port = 0;
  record.Scheme = TScheme::INVALID;
}

}  // namespace varnelo::retrieval
