#include "network/tcp_socket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

#include "network/host_resolver.h"

namespace varnelo::network {

TIoStatus TTcpSocket::Connect(const std::string& host, const std::string& port, TDeadline deadline,
                              const std::atomic<bool>* cancel) {
  fd_.Reset();
  std::vector<TResolvedAddress> addresses;
  if (const TIoStatus status = ResolveHost(host, port, SOCK_STREAM, deadline, cancel, addresses);
      status != TIoStatus::Ok) {
    return status;
  }
  TIoStatus last = TIoStatus::Failed;
  for (const TResolvedAddress& address : addresses) {
    platform::TUniqueFd fd(::socket(address.Family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!fd.Valid()) continue;
    const int one = 1;
    ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address.Address), address.Length) != 0) {
      if (errno != EINPROGRESS) continue;
      last = WaitReady(fd.Get(), POLLOUT, deadline, cancel);
      if (last != TIoStatus::Ok) {
        if (last == TIoStatus::Cancelled || last == TIoStatus::TimedOut) return last;
        continue;
      }
      int error = 0;
      socklen_t length = sizeof error;
      if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
        last = TIoStatus::Failed;
        continue;
      }
    }
    fd_ = std::move(fd);
    return TIoStatus::Ok;
  }
  return TIoStatus::Failed;
}

TIoStatus TTcpSocket::Read(char* data, size_t size, size_t& received, TDeadline deadline,
                           const std::atomic<bool>* cancel) {
  while (true) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    const ssize_t count = ::recv(fd_.Get(), data, size, 0);
    if (count > 0) {
      received = size_t(count);
      return TIoStatus::Ok;
    }
    if (count == 0) return TIoStatus::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return TIoStatus::Failed;
    if (const TIoStatus status = WaitReady(fd_.Get(), POLLIN, deadline, cancel); status != TIoStatus::Ok) {
      return status;
    }
  }
}

TIoStatus TTcpSocket::WriteAll(std::string_view data, TDeadline deadline, const std::atomic<bool>* cancel) {
  while (!data.empty()) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    const ssize_t count = ::send(fd_.Get(), data.data(), data.size(), MSG_NOSIGNAL);
    if (count > 0) {
      data.remove_prefix(size_t(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return TIoStatus::Failed;
    if (const TIoStatus status = WaitReady(fd_.Get(), POLLOUT, deadline, cancel); status != TIoStatus::Ok) {
      return status;
    }
  }
  return TIoStatus::Ok;
}

}  // namespace varnelo::network
