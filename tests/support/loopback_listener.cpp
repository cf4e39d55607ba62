#include "support/loopback_listener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <system_error>

namespace varnelo::test {
namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

bool IsIPv6(const std::string& address) { return address.find(':') != std::string::npos; }

platform::TUniqueFd ListenOnFreePort(const std::string& text, int& port) {
  const bool v6 = IsIPv6(text);
  sockaddr_storage address{};
  socklen_t length = 0;
  if (v6) {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
    in6.sin6_family = AF_INET6;
    if (::inet_pton(AF_INET6, text.c_str(), &in6.sin6_addr) != 1) throw std::invalid_argument("address " + text);
    length = sizeof in6;
  } else {
    auto& in4 = reinterpret_cast<sockaddr_in&>(address);
    in4.sin_family = AF_INET;
    if (::inet_pton(AF_INET, text.c_str(), &in4.sin_addr) != 1) throw std::invalid_argument("address " + text);
    length = sizeof in4;
  }
  platform::TUniqueFd socket(::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket.Valid()) Fail("socket");
  if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0) Fail("bind");
  if (::listen(socket.Get(), 128) != 0) Fail("listen");
  if (::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) Fail("getsockname");
  port =
      ntohs(v6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port : reinterpret_cast<sockaddr_in&>(address).sin_port);
  return socket;
}

}  // namespace

TLoopbackListener::TLoopbackListener(const std::string& address, THandler handler)
    : address_(address), handler_(std::move(handler)), socket_(ListenOnFreePort(address, port_)) {
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TLoopbackListener::~TLoopbackListener() {
  stop_.Raise();
  acceptThread_.join();
  for (TConnection& connection : connections_) connection.thread.join();
}

std::string TLoopbackListener::Host() const { return IsIPv6(address_) ? "[" + address_ + "]" : address_; }

std::string TLoopbackListener::Authority() const { return Host() + ":" + std::to_string(port_); }

void TLoopbackListener::AcceptLoop() {
  for (;;) {
    const TWaitResult wait = WaitReady(socket_.Get(), POLLIN, std::chrono::hours(1), stop_);
    if (wait == TWaitResult::Stopped) return;
    if (wait == TWaitResult::TimedOut) continue;
    platform::TUniqueFd client(::accept4(socket_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!client.Valid()) continue;  // the client gave up before we took it, or we ran out of descriptors
    const int one = 1;
    ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    JoinFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, done, fd = std::move(client)]() mutable {
      // A peer that closes early makes our writes fail with EPIPE instead of killing the process;
      // the signal is blocked on this thread only, so the code under test keeps its own handling.
      sigset_t pipe;
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
      try {
        handler_(std::move(fd), stop_);
      } catch (const std::exception&) {
        // A connection that breaks in an unexpected way only ends that connection.
      }
      done->store(true);
    });
    const std::lock_guard lock(mutex_);
    connections_.push_back({std::move(thread), std::move(done)});
  }
}

// Long runs (the benchmarks) open thousands of connections; their threads are reaped as they end.
void TLoopbackListener::JoinFinished() {
  const std::lock_guard lock(mutex_);
  std::erase_if(connections_, [](TConnection& connection) {
    if (!connection.done->load()) return false;
    connection.thread.join();
    return true;
  });
}

}  // namespace varnelo::test
