#include "support/loopback_server.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "support/loopback_stream.h"

namespace varnelo::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kRequestTimeout = 30s;
constexpr auto kLinger = 5s;

// The path and query of an absolute-form target; an origin-form target as it is.
std::string PathOf(const std::string& target) {
  const size_t scheme = target.find("://");
  if (scheme == std::string::npos) return target;
  const size_t path = target.find('/', scheme + 3);
  return path == std::string::npos ? "/" : target.substr(path);
}

// Small pieces repeated many times go out in batches of about 64 KiB, not one write each.
bool SendRepeated(TLoopbackStream& stream, const std::string& bytes, std::uint64_t count) {
  if (bytes.empty()) return true;
  const std::uint64_t perBatch = std::max<std::uint64_t>(1, 65536 / bytes.size());
  std::string batch;
  for (std::uint64_t i = 0; i < std::min(perBatch, count); ++i) batch += bytes;
  for (std::uint64_t left = count; left > 0;) {
    const std::uint64_t now = std::min(perBatch, left);
    if (!stream.Write(std::string_view(batch).substr(0, now * bytes.size()))) return false;
    left -= now;
  }
  return true;
}

}  // namespace

TLoopbackServer::TLoopbackServer() : TLoopbackServer(TOptions{}) {}

TLoopbackServer::TLoopbackServer(TOptions options)
    : options_(options),
      context_(options.certificate != nullptr ? options.certificate->ServerContext() : nullptr),
      listener_(options.address,
                [this](platform::TUniqueFd socket, const TStopSignal& stop) { Serve(std::move(socket), stop); }) {}

void TLoopbackServer::Answer(const std::string& pathAndQuery, TScriptedAnswer answer) {
  const std::lock_guard lock(mutex_);
  answers_.insert_or_assign(pathAndQuery, std::move(answer));
}

void TLoopbackServer::AnswerMethod(const std::string& method, const std::string& pathAndQuery,
                                   TScriptedAnswer answer) {
  const std::lock_guard lock(mutex_);
  methodAnswers_.insert_or_assign({method, pathAndQuery}, std::move(answer));
}

void TLoopbackServer::AnswerOthers(TScriptedAnswer answer) {
  const std::lock_guard lock(mutex_);
  otherAnswer_ = std::move(answer);
}

std::vector<TRecordedRequest> TLoopbackServer::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

int TLoopbackServer::Connections() const {
  const std::lock_guard lock(mutex_);
  return connections_;
}

int TLoopbackServer::ResumedHandshakes() const {
  const std::lock_guard lock(mutex_);
  return resumedHandshakes_;
}

int TLoopbackServer::MaxInFlight(const std::string& method) const {
  const std::lock_guard lock(mutex_);
  const auto found = maxInFlight_.find(method);
  return found == maxInFlight_.end() ? 0 : found->second;
}

std::string TLoopbackServer::Url(std::string_view pathAndQuery) const {
  return (options_.certificate != nullptr || options_.breakHandshake ? "https://" : "http://") + Authority() +
         std::string(pathAndQuery);
}

TScriptedAnswer TLoopbackServer::AnswerFor(const TRecordedRequest& request) const {
  const std::lock_guard lock(mutex_);
  const std::string path = PathOf(request.Target());
  const auto forMethod = methodAnswers_.find({request.Method(), path});
  if (forMethod != methodAnswers_.end()) return forMethod->second;
  const auto found = answers_.find(path);
  if (found != answers_.end()) return found->second;
  if (otherAnswer_) return *otherAnswer_;
  return TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "", "");
}

void TLoopbackServer::Serve(platform::TUniqueFd socket, const TStopSignal& stop) {
  {
    const std::lock_guard lock(mutex_);
    ++connections_;
  }
  if (options_.breakHandshake) {
    TLoopbackStream stream(std::move(socket), stop);
    char hello[4096];
    if (stream.Read(hello, sizeof hello, kRequestTimeout) > 0) stream.Write("HTTP/1.1 400 Bad Request\r\n\r\n");
    stream.Finish(kLinger);
    return;
  }
  TLoopbackStream stream =
      context_ ? TLoopbackStream(std::move(socket), context_.get(), stop) : TLoopbackStream(std::move(socket), stop);
  if (!stream.Handshake(kRequestTimeout)) return;
  if (stream.Resumed()) {
    const std::lock_guard lock(mutex_);
    ++resumedHandshakes_;
  }
  for (int served = 0; ServeOne(stream, stop, served) && options_.keepAlive; ++served) {
  }
  stream.Finish(kLinger);
}

bool TLoopbackServer::ServeOne(TLoopbackStream& stream, const TStopSignal& stop, int onConnection) {
  const std::optional<TReadHead> head = ReadRequestHead(stream, kRequestTimeout);
  if (!head) return false;
  TRecordedRequest request{head->head};
  request.receivedAt = std::chrono::steady_clock::now();
  if (const std::optional<std::string> length = request.Header("Content-Length")) {
    request.body = ReadRequestBody(stream, head->rest, std::strtoull(length->c_str(), nullptr, 10), kRequestTimeout);
  }
  const std::string method = request.Method();
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
    if (options_.dropSecondRequest && onConnection == 1) return false;
    int& maxInFlight = maxInFlight_[method];
    maxInFlight = std::max(maxInFlight, ++inFlight_[method]);
  }
  // A request is in flight until its answer begins: once the last byte is out, the client may send its
  // next request before this thread is scheduled again.
  bool answered = false;
  const auto answering = [&] {
    if (std::exchange(answered, true)) return;
    const std::lock_guard lock(mutex_);
    --inFlight_[method];
  };
  PlayAnswer(stream, AnswerFor(request), stop, answering);
  answering();
  return true;
}

void TLoopbackServer::PlayAnswer(TLoopbackStream& stream, const TScriptedAnswer& answer, const TStopSignal& stop,
                                 const std::function<void()>& answering) {
  using TKind = TScriptedAnswer::TStep::TKind;
  for (const TScriptedAnswer::TStep& step : answer.Steps()) {
    switch (step.kind) {
      case TKind::Pause:
        if (!SleepUnlessStopped(step.gap, stop)) return;
        break;
      case TKind::WaitUntil: {
        const auto deadline = std::chrono::steady_clock::now() + step.gap;
        while (!step.condition() && std::chrono::steady_clock::now() < deadline) {
          if (!SleepUnlessStopped(5ms, stop)) return;
        }
        break;
      }
      case TKind::Send:
        answering();
        if (step.gap.count() > 0) {
          for (const char byte : step.bytes) {
            if (!SleepUnlessStopped(step.gap, stop) || !stream.Write(std::string_view(&byte, 1))) return;
          }
          break;
        }
        if (!SendRepeated(stream, step.bytes, step.repeat)) return;
        break;
    }
  }
}

}  // namespace varnelo::test
