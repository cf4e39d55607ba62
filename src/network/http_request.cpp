#include "network/http_request.h"

#include <algorithm>
#include <string>

#include "base/text.h"

namespace varnelo::network {
namespace {

std::string BasicCredentials(std::string_view user, std::string_view password) {
  std::string pair(user);
  pair += ':';
  pair += password;
  return "Basic " + EncodeBase64(pair);
}

}  // namespace

bool UsesProxyForm(const THttpRequestFields& fields) { return !fields.ProxyHost.empty() && fields.Url.Scheme != "https"; }

std::vector<std::string> BuildRequestLines(const THttpRequestFields& fields) {
  const TUrlParts& url = fields.Url;
  // The request is a list whose lines are each put at its top; this builds the same list bottom up.
  std::vector<std::string> reversed;
  reversed.push_back("Referer: " + std::string(kRefererUrl));
  reversed.push_back("User-Agent: " + fields.UserAgent);
  if (!fields.IfModifiedSince.empty()) reversed.push_back("If-Modified-Since: " + fields.IfModifiedSince);
  if (!fields.Accept.empty()) reversed.push_back("Accept: " + fields.Accept);
  for (const auto& [name, value] : fields.Cookies) reversed.push_back("Cookie: " + name + "=" + value);
  if (!fields.KeepAlive) reversed.push_back("Connection: close");
  if (!url.User.empty()) reversed.push_back("Authorization: " + BasicCredentials(url.User, url.Password));
  if (!fields.ProxyHost.empty() && !fields.ProxyUser.empty() && url.Scheme != "https") {
    reversed.push_back("Proxy-Authorization: " + BasicCredentials(fields.ProxyUser, fields.ProxyPass));
  }
  std::string host = "Host: " + HostForUrl(url.Host);
  if (url.Port != "80") host += ":" + url.Port;
  reversed.push_back(std::move(host));

  std::string target = url.Path;
  if (!url.Query.empty()) target += "?" + url.Query;
  if (UsesProxyForm(fields)) {
    target = url.Scheme + "://" + HostForUrl(url.Host) + ":" + url.Port + target;
  } else if (target == "/*") {
    target = "*";
  }
  reversed.push_back(base::AsciiUppered(fields.Method) + " " + target + " HTTP/" + fields.Protocol);

  std::vector<std::string> lines(reversed.rbegin(), reversed.rend());
  lines.insert(lines.end(), fields.ExtraHeaders.begin(), fields.ExtraHeaders.end());
  if (!fields.Body.empty()) lines.push_back("Content-Length: " + std::to_string(fields.Body.size()));
  lines.emplace_back();
  return lines;
}

std::string BuildRequest(const THttpRequestFields& fields) {
  std::string request;
  request.reserve(256);
  for (const std::string& line : BuildRequestLines(fields)) {
    request += line;
    request += "\r\n";
  }
  request += fields.Body;
  return request;
}

std::string BuildConnectRequest(std::string_view host, std::string_view port, std::string_view proxyUser,
                                std::string_view proxyPass) {
  const std::string authority = HostForUrl(host) + ":" + std::string(port);
  std::string request = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
  if (!proxyUser.empty()) request += "Proxy-Authorization: " + BasicCredentials(proxyUser, proxyPass) + "\r\n";
  request += "\r\n";
  return request;
}

std::string EncodeBase64(std::string_view text) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((text.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < text.size(); i += 3) {
    const unsigned n = (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8 | (unsigned char)text[i + 2];
    encoded += kAlphabet[n >> 18 & 63];
    encoded += kAlphabet[n >> 12 & 63];
    encoded += kAlphabet[n >> 6 & 63];
    encoded += kAlphabet[n & 63];
  }
  if (const size_t left = text.size() - i; left > 0) {
    unsigned n = (unsigned char)text[i] << 16;
    if (left == 2) n |= (unsigned char)text[i + 1] << 8;
    encoded += kAlphabet[n >> 18 & 63];
    encoded += kAlphabet[n >> 12 & 63];
    encoded += left == 2 ? kAlphabet[n >> 6 & 63] : '=';
    encoded += '=';
  }
  return encoded;
}

}  // namespace varnelo::network
