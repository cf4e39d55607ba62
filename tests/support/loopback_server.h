#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/loopback_listener.h"
#include "support/recorded_request.h"
#include "support/scripted_answer.h"
#include "support/test_certificate.h"

namespace varnelo::test {

// An HTTP or HTTPS server on loopback for the tests and benchmarks. It records the head of every
// request exactly as received and plays the answer scripted for its target, or the default answer
// (a 404 until one is set). One request per connection: the connection closes after the answer,
// unless the server keeps its connections alive.
class TLoopbackServer {
public:
  struct TOptions {
    // A loopback address: "127.0.0.1", "::1", or another address of 127.0.0.0/8.
    std::string address = "127.0.0.1";
    // Serves TLS with this certificate when set.
    const TTestCertificate* certificate = nullptr;
    // Answers the TLS client hello with bytes that are not TLS, so every handshake fails.
    bool breakHandshake = false;
    // Reads the next request on the same connection after each answer.
    bool keepAlive = false;
    // With keepAlive: a second request on a connection is recorded, then the connection closes
    // without an answer, as when a server ends an idle connection just as a request arrives.
    bool dropSecondRequest = false;
  };

  TLoopbackServer();
  explicit TLoopbackServer(TOptions options);

  // The answer for requests whose target is `pathAndQuery` (an absolute-form target is matched by its
  // path and query).
  void Answer(const std::string& pathAndQuery, TScriptedAnswer answer);
  void AnswerOthers(TScriptedAnswer answer);
  // The answer for requests of `method` only, taken before the answer for every method.
  void AnswerMethod(const std::string& method, const std::string& pathAndQuery, TScriptedAnswer answer);

  std::vector<TRecordedRequest> Requests() const;
  // How many connections were accepted (a request may never have come on some).
  int Connections() const;
  // How many TLS handshakes resumed an earlier session.
  int ResumedHandshakes() const;
  // The most requests of `method` received and not yet answered at the same time.
  int MaxInFlight(const std::string& method) const;

  int Port() const { return listener_.Port(); }
  // Host and port as they stand in a URL: "127.0.0.1:<port>" or "[::1]:<port>".
  std::string Authority() const { return listener_.Authority(); }
  // "http://" (or "https://"), the authority, then `pathAndQuery`.
  std::string Url(std::string_view pathAndQuery) const;

private:
  void Serve(platform::TUniqueFd socket, const TStopSignal& stop);
  // `answering` runs before the first byte of the answer is sent.
  void PlayAnswer(TLoopbackStream& stream, const TScriptedAnswer& answer, const TStopSignal& stop,
                  const std::function<void()>& answering);
  TScriptedAnswer AnswerFor(const TRecordedRequest& request) const;
  // Reads one request and plays its answer (none for a dropped one); false when the connection is to end.
  bool ServeOne(TLoopbackStream& stream, const TStopSignal& stop, int onConnection);

  TOptions options_;
  TSslContextPtr context_;
  mutable std::mutex mutex_;
  std::map<std::string, TScriptedAnswer> answers_;
  std::map<std::pair<std::string, std::string>, TScriptedAnswer> methodAnswers_;
  std::optional<TScriptedAnswer> otherAnswer_;
  std::vector<TRecordedRequest> requests_;
  int connections_ = 0;
  int resumedHandshakes_ = 0;
  std::map<std::string, int> inFlight_;
  std::map<std::string, int> maxInFlight_;
  // Last, so that its threads stop before the rest goes.
  TLoopbackListener listener_;
};

}  // namespace varnelo::test
