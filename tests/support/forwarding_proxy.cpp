#include "support/forwarding_proxy.h"

#include <netdb.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string_view>

#include "support/loopback_stream.h"

namespace varnelo::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kRequestTimeout = 30s;
constexpr auto kIdleTimeout = 60s;

struct TTarget {
  std::string host;
  std::string port;
};

// Host and port of "host:port" or "[v6]:port".
std::optional<TTarget> SplitAuthority(std::string_view authority, std::string_view defaultPort) {
  TTarget target;
  size_t portStart = std::string_view::npos;
  if (authority.starts_with('[')) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    target.host = authority.substr(1, close - 1);
    if (close + 1 < authority.size() && authority[close + 1] == ':') portStart = close + 2;
  } else {
    const size_t colon = authority.rfind(':');
    target.host = authority.substr(0, colon);
    if (colon != std::string_view::npos) portStart = colon + 1;
  }
  target.port =
      portStart == std::string_view::npos ? std::string(defaultPort) : std::string(authority.substr(portStart));
  return target;
}

bool IsLoopback(const std::string& host) { return host == "127.0.0.1" || host == "::1" || host == "localhost"; }

// Connects, blocking, to a loopback target; an invalid descriptor on failure.
platform::TUniqueFd ConnectTo(const TTarget& target) {
  if (!IsLoopback(target.host)) return {};
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string host = target.host == "localhost" ? "127.0.0.1" : target.host;
  if (::getaddrinfo(host.c_str(), target.port.c_str(), &hints, &found) != 0) return {};
  platform::TUniqueFd socket(::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (socket.Valid() && ::connect(socket.Get(), found->ai_addr, found->ai_addrlen) != 0) socket.Reset();
  ::freeaddrinfo(found);
  return socket;
}

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

// Copies bytes both ways until one side closes, goes idle or the proxy stops. The client side is a
// non-blocking socket behind `client`; the target side is blocking and only written once poll says so.
void Relay(TLoopbackStream& client, int target, const TStopSignal& stop) {
  char buffer[65536];
  for (;;) {
    pollfd items[3] = {{stop.Fd(), POLLIN, 0}, {client.Fd(), POLLIN, 0}, {target, POLLIN, 0}};
    const int ready = ::poll(items, 3, static_cast<int>(std::chrono::milliseconds(kIdleTimeout).count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || items[0].revents != 0) return;
    if (items[1].revents != 0) {
      const size_t got = client.Read(buffer, sizeof buffer, 0ms);
      if (got == 0 || !SendAll(target, std::string_view(buffer, got))) return;
    }
    if (items[2].revents != 0) {
      const ssize_t got = ::recv(target, buffer, sizeof buffer, 0);
      if (got <= 0 || !client.Write(std::string_view(buffer, static_cast<size_t>(got)))) return;
    }
  }
}

// The head to send to the origin: origin-form target, no Proxy-Authorization line.
std::string OriginHead(const TRecordedRequest& request, const std::string& path) {
  std::string line = request.RequestLine();
  const std::string target = request.Target();
  std::string head = line.replace(line.find(target), target.size(), path) + "\r\n";
  const std::vector<std::string> lines = request.Lines();
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) break;
    if (::strncasecmp(lines[i].c_str(), "Proxy-Authorization:", 20) == 0) continue;
    head += lines[i] + "\r\n";
  }
  return head + "\r\n";
}

}  // namespace

TForwardingProxy::TForwardingProxy()
    : listener_("127.0.0.1",
                [this](platform::TUniqueFd socket, const TStopSignal& stop) { Serve(std::move(socket), stop); }) {}

std::vector<TRecordedRequest> TForwardingProxy::Requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void TForwardingProxy::Serve(platform::TUniqueFd socket, const TStopSignal& stop) {
  TLoopbackStream client(std::move(socket), stop);
  const std::optional<TReadHead> head = ReadRequestHead(client, kRequestTimeout);
  if (!head) return;
  const TRecordedRequest request{head->head};
  {
    const std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  const std::string target = request.Target();
  if (request.Method() == "CONNECT") {
    const std::optional<TTarget> endpoint = SplitAuthority(target, "443");
    platform::TUniqueFd origin = endpoint ? ConnectTo(*endpoint) : platform::TUniqueFd();
    if (!origin.Valid()) {
      client.Write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
    } else if (client.Write("HTTP/1.1 200 Connection established\r\n\r\n") && SendAll(origin.Get(), head->rest)) {
      Relay(client, origin.Get(), stop);
    }
    client.Finish(5s);
    return;
  }
  const size_t scheme = target.find("://");
  const size_t pathStart = scheme == std::string::npos ? std::string::npos : target.find('/', scheme + 3);
  const std::string authority =
      scheme == std::string::npos
          ? ""
          : target.substr(scheme + 3, pathStart == std::string::npos ? std::string::npos : pathStart - scheme - 3);
  const std::optional<TTarget> endpoint = SplitAuthority(authority, "80");
  platform::TUniqueFd origin = endpoint ? ConnectTo(*endpoint) : platform::TUniqueFd();
  if (!origin.Valid()) {
    client.Write("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n");
  } else if (SendAll(origin.Get(),
                     OriginHead(request, pathStart == std::string::npos ? "/" : target.substr(pathStart)))) {
    Relay(client, origin.Get(), stop);
  }
  client.Finish(5s);
}

}  // namespace varnelo::test
