// With VARNELO_LOOPBACK_ONLY=1 every host outside loopback is refused like a refused connection,
// before any name lookup.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/http_client.h"
#include "network/http_operations.h"
#include "network_fixture.h"
#include "support/loopback_server.h"

namespace varnelo::network {
namespace {

using namespace std::chrono_literals;
using ::testing::IsEmpty;
using ::testing::Le;
using test::TLoopbackServer;
using test::TScriptedAnswer;

class LoopbackGuardTest : public NetworkTest, public ::testing::WithParamInterface<const char*> {
protected:
  LoopbackGuardTest() { environment_.Set("VARNELO_LOOPBACK_ONLY", "1"); }
};

TEST_P(LoopbackGuardTest, RefusesAtOnce) {
  THttpClient client;
  bool success = true;
  // Far below the connect and read time-outs: the request never got as far as waiting.
  EXPECT_THAT(TimeOf([&] { success = client.HttpMethod("GET", GetParam()); }), Le(2s));
  EXPECT_FALSE(success);
  EXPECT_EQ(client.ResultCode, 500);
  EXPECT_FALSE(HttpGetDocument(GetParam()).Success);
}

INSTANTIATE_TEST_SUITE_P(Hosts, LoopbackGuardTest,
                         ::testing::Values("http://192.0.2.1/", "http://example.invalid/", "https://192.0.2.1/",
                                           "http://10.0.0.1:8080/a", "http://[2001:db8::1]/",
                                           "http://127.0.0.1.example.invalid/", "http://0x7f000001/",
                                           "http://user:pw@192.0.2.1:80/"));

TEST_F(NetworkTest, GuardRefusesAProxyOutsideLoopback) {
  environment_.Set("VARNELO_LOOPBACK_ONLY", "1");
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("direct"));
  WriteProxySettings("1", "192.0.2.1:3128");
  THttpClient client;
  EXPECT_FALSE(client.HttpMethod("GET", server.Url("/")));
  EXPECT_THAT(server.Requests(), IsEmpty());
}

TEST_F(NetworkTest, GuardLetsLoopbackHostsThrough) {
  environment_.Set("VARNELO_LOOPBACK_ONLY", "1");
  TLoopbackServer server;
  server.AnswerOthers(TScriptedAnswer::Ok("allowed"));
  const std::string port = std::to_string(server.Port());
  for (const std::string host : {"127.0.0.1", "localhost", "LocalHost"}) {
    EXPECT_EQ(HttpGetDocument("http://" + host + ":" + port + "/").Body, "allowed") << host;
  }
}

}  // namespace
}  // namespace varnelo::network
