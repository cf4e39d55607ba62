#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace varnelo::network {

// The fixed reachability host probed when a random query's fetch fails.
inline constexpr std::string_view kReachabilityHost = "1.1.1.1";
inline constexpr std::string_view kPingHostVariable = "VARNELO_PING_HOST";
// Limit for one echo.
inline constexpr int kPingTimeout = 5000;

// VARNELO_PING_HOST when set and not empty (tests set 127.0.0.1), else kReachabilityHost.
std::string ReachabilityHost();

// Sends one ICMP echo request with a 32-byte payload to `host` (a name, an IPv4 or an IPv6 address,
// brackets allowed) and waits at most 5000 ms. Returns the round trip in milliseconds (0 and more), or
// -1 when no reply came, the reply reported an error, the name did not resolve, the loopback guard
// refused the host, `cancel` was set, or no ICMP socket could be opened (an unprivileged ICMP datagram
// socket is tried first, then a raw socket).
int PingHost(std::string_view host, const std::atomic<bool>* cancel = nullptr);

}  // namespace varnelo::network
