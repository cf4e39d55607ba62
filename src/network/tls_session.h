#pragma once

#include <openssl/ssl.h>
#include <signal.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "network/io_status.h"

namespace varnelo::network {

// TLS over a connected non-blocking socket that the caller keeps open for the session's life. SNI and
// host-name (or IP address) verification are set from `host`. While the session lives, SIGPIPE is
// blocked on its thread (OpenSSL writes with write(2)); a SIGPIPE raised meanwhile is consumed.
class TTlsSession {
public:
  TTlsSession() = default;
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;
  ~TTlsSession();

  // Failed on a handshake or certificate failure.
  TIoStatus Handshake(int fd, const std::string& host, bool verify, const std::string& extraCaFile,
                      TDeadline deadline, const std::atomic<bool>* cancel);
  TIoStatus Read(char* data, size_t size, size_t& received, TDeadline deadline, const std::atomic<bool>* cancel);
  TIoStatus WriteAll(std::string_view data, TDeadline deadline, const std::atomic<bool>* cancel);

private:
  // Waits for what OpenSSL asked for after `result`; Ok means "try again".
  TIoStatus Continue(int result, TDeadline deadline, const std::atomic<bool>* cancel);
  void BlockSigpipe();

  struct TSslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
  };
  std::shared_ptr<SSL_CTX> context_;
  std::unique_ptr<SSL, TSslFree> ssl_;
  int fd_ = -1;
  bool established_ = false;
  bool sigpipeBlocked_ = false;
  bool sigpipeWasPending_ = false;
  sigset_t previousMask_{};
};

}  // namespace varnelo::network
