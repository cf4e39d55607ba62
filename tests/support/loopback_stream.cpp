#include "support/loopback_stream.h"

#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

namespace varnelo::test {
namespace {

constexpr auto kWriteTimeout = std::chrono::seconds(60);

}  // namespace

TLoopbackStream::TLoopbackStream(platform::TUniqueFd socket, const TStopSignal& stop)
    : socket_(std::move(socket)), stop_(stop) {}

TLoopbackStream::TLoopbackStream(platform::TUniqueFd socket, SSL_CTX* context, const TStopSignal& stop)
    : socket_(std::move(socket)), ssl_(SSL_new(context)), stop_(stop) {
  if (!ssl_ || SSL_set_fd(ssl_.get(), socket_.Get()) != 1) throw std::runtime_error("SSL_new failed");
  SSL_set_accept_state(ssl_.get());
}

bool TLoopbackStream::WaitFor(int sslError, std::chrono::milliseconds timeout) {
  short events = 0;
  if (sslError == SSL_ERROR_WANT_READ) events = POLLIN;
  if (sslError == SSL_ERROR_WANT_WRITE) events = POLLOUT;
  if (events == 0) return false;
  return WaitReady(socket_.Get(), events, timeout, stop_) == TWaitResult::Ready;
}

bool TLoopbackStream::Handshake(std::chrono::milliseconds timeout) {
  if (!ssl_) return true;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_.get());
    if (result == 1) return true;
    if (!WaitFor(SSL_get_error(ssl_.get(), result), timeout)) return false;
  }
}

size_t TLoopbackStream::Read(char* buffer, size_t size, std::chrono::milliseconds timeout) {
  for (;;) {
    if (ssl_) {
      size_t got = 0;
      ERR_clear_error();
      const int result = SSL_read_ex(ssl_.get(), buffer, size, &got);
      if (result == 1) return got;
      if (!WaitFor(SSL_get_error(ssl_.get(), result), timeout)) return 0;
      continue;
    }
    const ssize_t got = ::recv(socket_.Get(), buffer, size, 0);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return 0;
    if (WaitReady(socket_.Get(), POLLIN, timeout, stop_) != TWaitResult::Ready) return 0;
  }
}

bool TLoopbackStream::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (ssl_) {
      size_t written = 0;
      ERR_clear_error();
      const int result = SSL_write_ex(ssl_.get(), bytes.data(), bytes.size(), &written);
      if (result == 1) {
        bytes.remove_prefix(written);
        continue;
      }
      if (!WaitFor(SSL_get_error(ssl_.get(), result), kWriteTimeout)) return false;
      continue;
    }
    const ssize_t written = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (written >= 0) {
      bytes.remove_prefix(static_cast<size_t>(written));
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (WaitReady(socket_.Get(), POLLOUT, kWriteTimeout, stop_) != TWaitResult::Ready) return false;
  }
  return true;
}

void TLoopbackStream::Finish(std::chrono::milliseconds linger) {
  if (ssl_) {
    ERR_clear_error();
    SSL_shutdown(ssl_.get());  // our close_notify; the peer's is not awaited
  }
  ::shutdown(socket_.Get(), SHUT_WR);
  char sink[4096];
  const auto deadline = std::chrono::steady_clock::now() + linger;
  while (std::chrono::steady_clock::now() < deadline) {
    if (WaitReady(socket_.Get(), POLLIN, linger, stop_) != TWaitResult::Ready) return;
    const ssize_t got = ::recv(socket_.Get(), sink, sizeof sink, 0);
    if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) return;
  }
}

}  // namespace varnelo::test
