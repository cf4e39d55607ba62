#include "network/tls_session.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>

#include "network/tls_context.h"
#include "network/tls_session_cache.h"
#include "network/transport_counters.h"

namespace varnelo::network {
namespace {

bool IsIpAddress(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// Blocks SIGPIPE on this thread for its life; a SIGPIPE that was not pending before and is pending
// at the end came from our own writes and is consumed.
class TSigpipeBlock {
public:
  TSigpipeBlock() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    blocked_ = pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous_) == 0;
  }
  TSigpipeBlock(const TSigpipeBlock&) = delete;
  TSigpipeBlock& operator=(const TSigpipeBlock&) = delete;
  ~TSigpipeBlock() {
    if (!blocked_) return;
    if (!wasPending_) {
      sigset_t pending;
      sigemptyset(&pending);
      if (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE)) {
        sigset_t pipeOnly;
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }

private:
  bool blocked_ = false;
  bool wasPending_ = false;
  sigset_t previous_{};
};

// Sessions are resumed only under the same host, port and checks they were made with.
std::string SessionKey(const std::string& host, const std::string& port, bool verify, const std::string& caFile) {
  return host + '\n' + port + '\n' + (verify ? "1" : "0") + '\n' + caFile;
}

}  // namespace

TTlsSession::~TTlsSession() {
  if (ssl_ && established_) {
    const TSigpipeBlock block;
    SSL_shutdown(ssl_.get());  // one non-blocking try at close_notify; the socket closes anyway
    ssl_.reset();
  }
}

TIoStatus TTlsSession::Handshake(int fd, const std::string& host, const std::string& port, bool verify,
                                 const std::string& extraCaFile, TDeadline deadline, const std::atomic<bool>* cancel) {
  const TSigpipeBlock block;
  fd_ = fd;
  context_ = AcquireTlsContext(verify, extraCaFile);
  if (!context_) return TIoStatus::Failed;
  ssl_.reset(SSL_new(context_.get()));
  if (!ssl_ || SSL_set_fd(ssl_.get(), fd) != 1) return TIoStatus::Failed;
  if (IsIpAddress(host)) {
    if (verify && X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), host.c_str()) != 1) {
      return TIoStatus::Failed;
    }
  } else {
    SSL_set_tlsext_host_name(ssl_.get(), host.c_str());
    if (verify && SSL_set1_host(ssl_.get(), host.c_str()) != 1) return TIoStatus::Failed;
  }
  PrepareSessionResumption(ssl_.get(), SessionKey(host, port, verify, verify ? extraCaFile : std::string()));
  ERR_clear_error();
  while (true) {
    const int result = SSL_connect(ssl_.get());
    if (result == 1) {
      established_ = true;
      auto& counters = TransportCounters();
      ++(SSL_session_reused(ssl_.get()) == 1 ? counters.ResumedHandshakes : counters.FullHandshakes);
      return TIoStatus::Ok;
    }
    const TIoStatus status = Continue(result, deadline, cancel);
    if (status != TIoStatus::Ok) return status == TIoStatus::Closed ? TIoStatus::Failed : status;
  }
}

TIoStatus TTlsSession::Continue(int result, TDeadline deadline, const std::atomic<bool>* cancel) {
  const int error = SSL_get_error(ssl_.get(), result);
  switch (error) {
    case SSL_ERROR_WANT_READ:
      return WaitReady(fd_, POLLIN, deadline, cancel);
    case SSL_ERROR_WANT_WRITE:
      return WaitReady(fd_, POLLOUT, deadline, cancel);
    case SSL_ERROR_ZERO_RETURN:
      return TIoStatus::Closed;
    case SSL_ERROR_SYSCALL:
      ERR_clear_error();
      if (errno == EINTR) return TIoStatus::Ok;
      established_ = false;  // no close_notify after a fatal error
      return TIoStatus::Failed;
    default:
      ERR_clear_error();
      established_ = false;
      return TIoStatus::Failed;
  }
}

TIoStatus TTlsSession::Read(char* data, size_t size, size_t& received, TDeadline deadline,
                            const std::atomic<bool>* cancel) {
  const TSigpipeBlock block;
  while (true) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    size_t count = 0;
    const int result = SSL_read_ex(ssl_.get(), data, size, &count);
    if (result == 1) {
      received = count;
      return TIoStatus::Ok;
    }
    if (const TIoStatus status = Continue(result, deadline, cancel); status != TIoStatus::Ok) return status;
  }
}

TIoStatus TTlsSession::WriteAll(std::string_view data, TDeadline deadline, const std::atomic<bool>* cancel) {
  const TSigpipeBlock block;
  while (!data.empty()) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    size_t count = 0;
    const int result = SSL_write_ex(ssl_.get(), data.data(), data.size(), &count);
    if (result == 1) {
      data.remove_prefix(count);
      continue;
    }
    if (const TIoStatus status = Continue(result, deadline, cancel); status != TIoStatus::Ok) {
      return status == TIoStatus::Closed ? TIoStatus::Failed : status;
    }
  }
  return TIoStatus::Ok;
}

}  // namespace varnelo::network
