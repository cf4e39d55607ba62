#pragma once

#include <cstdint>
#include <string_view>

namespace varnelo::network {

// The loopback-only guard of the test harness and the benchmarks (DESIGN section 7).
inline constexpr std::string_view kLoopbackOnlyVariable = "VARNELO_LOOPBACK_ONLY";

// True when the environment variable VARNELO_LOOPBACK_ONLY is "1" (read at every call).
bool LoopbackOnly();

// True for "localhost" (any case) and the numeric loopback addresses: 127.0.0.0/8 in dotted-quad form,
// "::1", "::ffff:127.x.y.z", each also in square brackets. Names are never looked up.
bool IsLoopbackHost(std::string_view host);

// True when a connection to `host` may be attempted: always, unless LoopbackOnly() and the host is not
// a loopback host. A refused host fails like a refused connection, before any name lookup.
bool HostAllowed(std::string_view host);

// How many connections the guard has refused in this process, so that a test can tell that links to
// the outside were tried and failed.
std::uint64_t RefusedHostCount();

}  // namespace varnelo::network
