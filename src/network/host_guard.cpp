#include "network/host_guard.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace varnelo::network {

bool LoopbackOnly() {
  const char* value = std::getenv(std::string(kLoopbackOnlyVariable).c_str());
  return value != nullptr && std::string_view(value) == "1";
}

bool IsLoopbackHost(std::string_view host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.size() == 9) {
    bool same = true;
    for (size_t i = 0; i < 9; ++i) {
      const char c = host[i] >= 'A' && host[i] <= 'Z' ? char(host[i] - 'A' + 'a') : host[i];
      same = same && c == "localhost"[i];
    }
    if (same) return true;
  }
  const std::string text(host);
  in_addr v4{};
  if (inet_pton(AF_INET, text.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, text.c_str(), &v6) == 1) {
    if (IN6_IS_ADDR_LOOPBACK(&v6)) return true;
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
  }
  return false;
}

namespace {
std::atomic<std::uint64_t> refusedHosts{0};
}  // namespace

bool HostAllowed(std::string_view host) {
  if (!LoopbackOnly() || IsLoopbackHost(host)) return true;
  refusedHosts.fetch_add(1, std::memory_order_relaxed);
  return false;
}

std::uint64_t RefusedHostCount() { return refusedHosts.load(std::memory_order_relaxed); }

}  // namespace varnelo::network
