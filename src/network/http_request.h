#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "network/url_parts.h"

namespace varnelo::network {

// The fixed Referer of every request: the product's web site, a reserved name that reaches no one.
inline constexpr std::string_view kRefererUrl = "http://www.varnelo.invalid/";

// What one request is built from (the client's fields and the cut URL).
struct THttpRequestFields {
  std::string Method;    // written in capitals
  TUrlParts Url;
  std::string Protocol = "1.1";
  std::string UserAgent;
  bool KeepAlive = true;
  std::string IfModifiedSince;
  std::string Accept;
  std::vector<std::pair<std::string, std::string>> Cookies;  // one "Cookie: name=value" line each
  std::string ProxyHost;  // empty: no proxy
  std::string ProxyUser;
  std::string ProxyPass;
  std::vector<std::string> ExtraHeaders;  // the client's Headers before the request, sent after Referer
  std::string Body;  // sent after the empty line, announced by a Content-Length line; none when empty
};

// True when the request goes to the proxy as an absolute-form request (a proxy host is set and the
// scheme is not "https"; https goes through a CONNECT tunnel instead).
bool UsesProxyForm(const THttpRequestFields& fields);

// The request lines in wire order, without line ends, ending with the empty line:
//   request line, Host, [Proxy-Authorization], [Authorization], [Connection: close], [Cookie...],
//   [Accept], [If-Modified-Since], User-Agent, Referer, extra header lines, [Content-Length], "".
// Request target: path and "?" query (no "?" when the query is empty); "/*" alone is sent as "*";
// through a proxy (UsesProxyForm) scheme "://" host ":" port path query, the port always written.
// Host: host, then ":" port unless the port is "80"; IPv6 literals in brackets.
std::vector<std::string> BuildRequestLines(const THttpRequestFields& fields);

// The request bytes: every line of BuildRequestLines ended by CR LF, then the body.
std::string BuildRequest(const THttpRequestFields& fields);

// The CONNECT request that opens a tunnel to host:port through a proxy, with a Proxy-Authorization
// Basic line when `proxyUser` is not empty:
//   "CONNECT h:443 HTTP/1.1", "Host: h:443", ["Proxy-Authorization: Basic ..."], "" (each + CR LF).
std::string BuildConnectRequest(std::string_view host, std::string_view port, std::string_view proxyUser,
                                std::string_view proxyPass);

// Standard Base64 (RFC 4648, with "=" padding) of the bytes of `text`.
std::string EncodeBase64(std::string_view text);

}  // namespace varnelo::network
