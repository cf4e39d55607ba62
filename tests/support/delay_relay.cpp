#include "support/delay_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace varnelo::test {
namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often a waiting delivery looks at the stop signal.
constexpr auto kStopCheck = 100ms;

platform::TUniqueFd ConnectTo(int port) {
  platform::TUniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return fd;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
  const int one = 1;
  ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool SendAll(int fd, std::string_view data, const TStopSignal& stop) {
  while (!data.empty()) {
    const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      data.remove_prefix(size_t(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (WaitReady(fd, POLLOUT, std::chrono::milliseconds(kStopCheck), stop) == TWaitResult::Stopped) return false;
  }
  return true;
}

// One direction of a relayed connection: what is read from `from` is held back, then written to `to`.
class TDelayLine {
public:
  TDelayLine(int from, int to, std::chrono::milliseconds delay, std::int64_t bytesPerSecond, const TStopSignal& stop)
      : from_(from), to_(to), delay_(delay), bytesPerSecond_(bytesPerSecond), stop_(stop) {}

  // Reads until the end of the stream, an error or the stop.
  void Read() {
    char buffer[64 * 1024];
    while (true) {
      const TWaitResult wait = WaitReady(from_, POLLIN, std::chrono::hours(1), stop_);
      if (wait == TWaitResult::Stopped) break;
      if (wait == TWaitResult::TimedOut) continue;
      const ssize_t got = ::recv(from_, buffer, sizeof buffer, 0);
      if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (got <= 0) break;
      Push(std::string(buffer, size_t(got)));
    }
    Push(std::nullopt);
  }

  // Delivers each stretch when it is due; at the end of the stream, ends the other side's input.
  void Deliver() {
    TClock::time_point busyUntil = TClock::now();
    while (true) {
      std::unique_lock lock(mutex_);
      while (queue_.empty()) {
        if (stop_.Raised()) return Abort();
        arrived_.wait_for(lock, kStopCheck);
      }
      TItem item = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      const TClock::time_point due = std::max(item.due, busyUntil);
      while (TClock::now() < due) {
        if (stop_.Raised()) return Abort();
        std::this_thread::sleep_for(std::min<TClock::duration>(due - TClock::now(), kStopCheck));
      }
      if (!item.data) {
        ::shutdown(to_, SHUT_WR);
        return;
      }
      if (bytesPerSecond_ > 0) {
        busyUntil = due + std::chrono::microseconds(std::int64_t(item.data->size()) * 1000000 / bytesPerSecond_);
      }
      if (!SendAll(to_, *item.data, stop_)) return Abort();
    }
  }

private:
  struct TItem {
    TClock::time_point due;
    std::optional<std::string> data;  // nothing: the end of the stream
  };

  void Push(std::optional<std::string> data) {
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back({TClock::now() + delay_, std::move(data)});
    }
    arrived_.notify_one();
  }

  // A side that broke ends both: the other direction's reads and writes fail at once.
  void Abort() {
    ::shutdown(from_, SHUT_RDWR);
    ::shutdown(to_, SHUT_RDWR);
  }

  int from_;
  int to_;
  std::chrono::milliseconds delay_;
  std::int64_t bytesPerSecond_;
  const TStopSignal& stop_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<TItem> queue_;
};

}  // namespace

TDelayRelay::TDelayRelay(int targetPort, TOptions options)
    : targetPort_(targetPort),
      options_(options),
      listener_("127.0.0.1",
                [this](platform::TUniqueFd client, const TStopSignal& stop) { Serve(std::move(client), stop); }) {}

void TDelayRelay::Serve(platform::TUniqueFd client, const TStopSignal& stop) {
  ++connections_;
  // The handshake of a real link: nothing the client sent goes on before one round trip.
  if (!SleepUnlessStopped(options_.roundTrip, stop)) return;
  const platform::TUniqueFd server = ConnectTo(targetPort_);
  if (!server.Valid()) return;
  const auto half = options_.roundTrip / 2;
  TDelayLine up(client.Get(), server.Get(), half, options_.bytesPerSecond, stop);
  TDelayLine down(server.Get(), client.Get(), half, options_.bytesPerSecond, stop);
  std::jthread upReader([&] { up.Read(); });
  std::jthread downReader([&] { down.Read(); });
  std::jthread upDelivery([&] { up.Deliver(); });
  down.Deliver();
  upDelivery.join();
  // Both directions delivered: the readers end on the close of their sides or on an error.
  ::shutdown(client.Get(), SHUT_RDWR);
  ::shutdown(server.Get(), SHUT_RDWR);
}

}  // namespace varnelo::test
