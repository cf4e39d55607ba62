// PingHost probes loopback only; where this machine allows no ICMP socket it can only answer -1.

#include "network/ping_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include "network_fixture.h"
#include "platform/unique_fd.h"

namespace varnelo::network {
namespace {

using namespace std::chrono_literals;
using ::testing::Ge;
using ::testing::Le;

// Whether this process may open any kind of ICMP socket for `family`.
bool IcmpAllowed(int family) {
  const int protocol = family == AF_INET6 ? int{IPPROTO_ICMPV6} : int{IPPROTO_ICMP};
  for (const int type : {SOCK_DGRAM, SOCK_RAW}) {
    const platform::TUniqueFd probe(::socket(family, type, protocol));
    if (probe.Valid()) return true;
  }
  return false;
}

// Above the 5 s wait for an echo, so a probe that waited in vain still ends inside it.
constexpr auto kEnded = 8s;

class PingHostTest : public NetworkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PingHostTest, LoopbackAnswers) {
  const bool v6 = std::string(GetParam()) == "::1";
  int result = -2;
  EXPECT_THAT(TimeOf([&] { result = PingHost(GetParam()); }), Le(kEnded));
  if (IcmpAllowed(v6 ? AF_INET6 : AF_INET)) {
    EXPECT_THAT(result, Ge(0));
  } else {
    EXPECT_EQ(result, -1);
  }
}

INSTANTIATE_TEST_SUITE_P(Hosts, PingHostTest, ::testing::Values("127.0.0.1", "localhost", "::1", "[::1]"));

TEST_F(NetworkTest, PingOfAHostOutsideLoopbackIsRefused) {
  environment_.Set("VARNELO_LOOPBACK_ONLY", "1");
  int result = 0;
  EXPECT_THAT(TimeOf([&] { result = PingHost("192.0.2.1"); }), Le(kEnded));
  EXPECT_EQ(result, -1);
  EXPECT_EQ(PingHost("example.invalid"), -1);
}

TEST_F(NetworkTest, PingCancelledAnswersMinusOne) {
  const std::atomic<bool> cancel{true};
  EXPECT_EQ(PingHost("127.0.0.1", &cancel), -1);
}

TEST_F(NetworkTest, ReachabilityHostComesFromTheEnvironment) {
  environment_.Set("VARNELO_PING_HOST", "127.0.0.1");
  EXPECT_EQ(ReachabilityHost(), "127.0.0.1");
  environment_.Set("VARNELO_PING_HOST", "");
  EXPECT_EQ(ReachabilityHost(), kReachabilityHost);
  environment_.Unset("VARNELO_PING_HOST");
  EXPECT_EQ(ReachabilityHost(), kReachabilityHost);
}

}  // namespace
}  // namespace varnelo::network
