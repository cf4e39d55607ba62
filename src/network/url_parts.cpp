#include "network/url_parts.h"

#include <algorithm>

#include "base/text.h"

namespace varnelo::network {
namespace {

}  // namespace

TUrlParts CutUrl(std::string_view url) {
  TUrlParts parts;
  std::string_view rest = url;
  if (const size_t schemeEnd = rest.find("://"); schemeEnd != std::string_view::npos) {
    parts.Scheme = base::AsciiLowered(rest.substr(0, schemeEnd));
    rest.remove_prefix(schemeEnd + 3);
  }
  std::string defaultPort = "80";
  if (parts.Scheme == "https") defaultPort = "443";
  if (parts.Scheme == "ftp") defaultPort = "21";

  // The fragment never goes on the wire.
  if (const size_t hash = rest.find('#'); hash != std::string_view::npos) rest = rest.substr(0, hash);

  // The host part ends at the first "/" or "?": a query straight after the host must not become part
  // of the host name.
  const size_t authorityEnd = std::min(rest.find('/'), rest.find('?'));
  std::string_view authority = rest.substr(0, authorityEnd);
  std::string_view target = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view userInfo = authority.substr(0, at);
    authority.remove_prefix(at + 1);
    if (const size_t colon = userInfo.find(':'); colon != std::string_view::npos) {
      parts.User = std::string(userInfo.substr(0, colon));
      parts.Password = std::string(userInfo.substr(colon + 1));
    } else {
      parts.User = std::string(userInfo);
    }
  }

  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) {
      parts.Host = std::string(authority.substr(1));
    } else {
      parts.Host = std::string(authority.substr(1, close - 1));
      const std::string_view after = authority.substr(close + 1);
      if (!after.empty() && after.front() == ':') port = after.substr(1);
    }
  } else if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
    parts.Host = std::string(authority.substr(0, colon));
    port = authority.substr(colon + 1);
  } else {
    parts.Host = std::string(authority);
  }
  parts.Port = port.empty() ? defaultPort : std::string(port);
  parts.HostWritten = !parts.Host.empty();
  if (!parts.HostWritten) parts.Host = "localhost";

  if (const size_t question = target.find('?'); question != std::string_view::npos) {
    parts.Path = std::string(target.substr(0, question));
    parts.Query = std::string(target.substr(question + 1));
  } else {
    parts.Path = std::string(target);
  }
  if (parts.Path.empty()) parts.Path = "/";
  return parts;
}

bool IsIpv6Literal(std::string_view host) { return host.find(':') != std::string_view::npos; }

std::string HostForUrl(std::string_view host) {
  if (IsIpv6Literal(host)) return "[" + std::string(host) + "]";
  return std::string(host);
}

}  // namespace varnelo::network
