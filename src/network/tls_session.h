#pragma once

#include <openssl/ssl.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "network/io_status.h"

namespace varnelo::network {

// TLS over a connected non-blocking socket that the caller keeps open for the session's life. SNI and
// host-name (or IP address) verification are set from `host`; a session made earlier with the same
// host, port and checks is offered for resumption. During each call SIGPIPE is blocked on the calling
// thread (OpenSSL writes with write(2)) and a SIGPIPE raised meanwhile is consumed, so that a session
// may be used by one thread after another (pooled connections).
class TTlsSession {
public:
  TTlsSession() = default;
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;
  ~TTlsSession();

  // Failed on a handshake or certificate failure.
  TIoStatus Handshake(int fd, const std::string& host, const std::string& port, bool verify,
                      const std::string& extraCaFile, TDeadline deadline, const std::atomic<bool>* cancel);
  // Bytes decrypted and not yet read.
  bool HasPending() const { return ssl_ && SSL_has_pending(ssl_.get()) == 1; }
  TIoStatus Read(char* data, size_t size, size_t& received, TDeadline deadline, const std::atomic<bool>* cancel);
  TIoStatus WriteAll(std::string_view data, TDeadline deadline, const std::atomic<bool>* cancel);

private:
  // Waits for what OpenSSL asked for after `result`; Ok means "try again".
  TIoStatus Continue(int result, TDeadline deadline, const std::atomic<bool>* cancel);

  struct TSslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
  };
  std::shared_ptr<SSL_CTX> context_;
  std::unique_ptr<SSL, TSslFree> ssl_;
  int fd_ = -1;
  bool established_ = false;
};

}  // namespace varnelo::network
