#pragma once

#include <openssl/ssl.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/unique_fd.h"
#include "support/stop_signal.h"

namespace varnelo::test {

struct TSslDeleter {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using TSslPtr = std::unique_ptr<SSL, TSslDeleter>;

// One accepted connection of a loopback server, plain or TLS, on a non-blocking socket: every wait
// also ends when the server stops.
class TLoopbackStream {
public:
  // Plain connection.
  TLoopbackStream(platform::TUniqueFd socket, const TStopSignal& stop);
  // TLS connection; `Handshake` must succeed before anything else.
  TLoopbackStream(platform::TUniqueFd socket, SSL_CTX* context, const TStopSignal& stop);

  bool Handshake(std::chrono::milliseconds timeout);
  // The TLS handshake resumed an earlier session.
  bool Resumed() const { return ssl_ && SSL_session_reused(ssl_.get()) == 1; }
  // Up to `size` bytes; 0 at the end of the stream, on an error, after `timeout` or when stopped.
  size_t Read(char* buffer, size_t size, std::chrono::milliseconds timeout);
  // False when the peer went away or the server stopped.
  bool Write(std::string_view bytes);
  // Ends our side of the stream, then waits a little for the peer to close its side, so that the
  // answer is not cut by a reset: a socket closed with unread input resets the connection.
  void Finish(std::chrono::milliseconds linger);
  int Fd() const { return socket_.Get(); }

private:
  // Waits for the socket as OpenSSL asked; false when it will not become ready.
  bool WaitFor(int sslError, std::chrono::milliseconds timeout);

  platform::TUniqueFd socket_;
  TSslPtr ssl_;
  const TStopSignal& stop_;
};

}  // namespace varnelo::test
