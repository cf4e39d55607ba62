#pragma once

#include <string>
#include <string_view>

namespace varnelo::network {

// A URL cut the way the HTTP client needs it. This is the client's own small cutter, not the
// retrieval URL toolkit: the request is built from these cruder parts.
struct TUrlParts {
  std::string Scheme = "http";  // in lower case; "http" when the URL has no "://"
  std::string User;             // the text before ":" in the part before "@" (as written, not decoded)
  std::string Password;         // the text after the first ":" of that part
  std::string Host;             // without brackets for an IPv6 literal; "localhost" when empty
  bool HostWritten = false;     // the URL names a host of its own (Host is not the stand-in "localhost")
  std::string Port;             // as written; "80", "443" for https, "21" for ftp when absent or empty
  std::string Path = "/";       // from the first "/" after the host, "/" when there is none
  std::string Query;            // the text after the first "?", without the "?"
};

// Cuts `url` into its parts:
//   [scheme "://"] [user [":" password] "@"] host [":" port] [path] ["?" query] ["#" fragment]
// The host part ends at the first "/", "?" or "#" after the scheme; "@" counts only inside it. A host in
// "[...]" is an IPv6 literal. The fragment is dropped (it never goes on the wire).
TUrlParts CutUrl(std::string_view url);

// True when `host` is an IPv6 literal (holds ":"), which is written in "[...]" in Host lines and URLs.
bool IsIpv6Literal(std::string_view host);

// `host` as it stands in a Host line or an absolute URL: IPv6 literals in square brackets.
std::string HostForUrl(std::string_view host);

}  // namespace varnelo::network
