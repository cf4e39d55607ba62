#include "network/connection.h"

#include <poll.h>

#include <algorithm>
#include <cstring>

#include "network/transport_counters.h"

namespace varnelo::network {

template <typename TStep>
TIoStatus TConnection::Honouring(TDeadline deadline, TStep step) {
  if (!graceEnd_) {
    const TIoStatus status = step(deadline, cancel_.Flag);
    if (status != TIoStatus::Cancelled) return status;
    graceEnd_ = TClock::now() + cancel_.Grace;
  }
  const TIoStatus status = step(std::min(deadline, *graceEnd_), nullptr);
  // Ended by the grace, not by the caller's own deadline: the stop ended it.
  if (status == TIoStatus::TimedOut && *graceEnd_ <= deadline) return TIoStatus::Cancelled;
  return status;
}

TIoStatus TConnection::Connect(const std::string& host, const std::string& port, TDeadline deadline) {
  // Asked before the transfer began, the stop leaves it unbegun.
  if (CancelRequested(cancel_.Flag)) return TIoStatus::Cancelled;
  const TIoStatus status = Honouring(deadline, [&](TDeadline bound, const std::atomic<bool>* cancel) {
    return socket_.Connect(host, port, bound, cancel);
  });
  if (status == TIoStatus::Ok) ++TransportCounters().ConnectionsOpened;
  return status;
}

TIoStatus TConnection::StartTls(const std::string& host, const std::string& port, bool verify,
                                const std::string& extraCaFile, TDeadline deadline) {
  // Bytes already buffered after a tunnel's answer would belong to the TLS stream; a proxy sends none.
  if (begin_ != end_) return TIoStatus::Failed;
  tls_ = std::make_unique<TTlsSession>();
  return Honouring(deadline, [&](TDeadline bound, const std::atomic<bool>* cancel) {
    return tls_->Handshake(socket_.Fd(), host, port, verify, extraCaFile, bound, cancel);
  });
}

void TConnection::Rebind(TCancel cancel) {
  cancel_ = cancel;
  graceEnd_.reset();
}

bool TConnection::Quiet() const {
  if (!socket_.Connected() || begin_ != end_ || (tls_ && tls_->HasPending())) return false;
  pollfd ready{socket_.Fd(), POLLIN, 0};
  return ::poll(&ready, 1, 0) == 0;
}

TIoStatus TConnection::WriteAll(std::string_view data, TDeadline deadline) {
  const TIoStatus status = Honouring(deadline, [&](TDeadline bound, const std::atomic<bool>* cancel) {
    return tls_ ? tls_->WriteAll(data, bound, cancel) : socket_.WriteAll(data, bound, cancel);
  });
  if (status == TIoStatus::Ok && capture_ != nullptr) capture_->RequestSent(data);
  return status;
}

TIoStatus TConnection::Receive(char* data, size_t size, size_t& received, TDeadline deadline) {
  return Honouring(deadline, [&](TDeadline bound, const std::atomic<bool>* cancel) {
    return tls_ ? tls_->Read(data, size, received, bound, cancel) : socket_.Read(data, size, received, bound, cancel);
  });
}

TIoStatus TConnection::Fill(TDeadline deadline) {
  begin_ = end_ = 0;
  size_t received = 0;
  const TIoStatus status = Receive(buffer_.data(), buffer_.size(), received, deadline);
  if (status == TIoStatus::Ok) end_ = received;
  return status;
}

TIoStatus TConnection::ReadLine(std::string& line, size_t maxBytes, size_t& consumed, TDeadline deadline) {
  line.clear();
  size_t taken = 0;
  while (true) {
    if (begin_ == end_) {
      if (const TIoStatus status = Fill(deadline); status != TIoStatus::Ok) return status;
    }
    const char* start = buffer_.data() + begin_;
    const size_t available = end_ - begin_;
    const void* found = std::memchr(start, '\n', available);
    const size_t length = found ? size_t(static_cast<const char*>(found) - start) + 1 : available;
    if (taken + length > maxBytes) {
      // A line longer than what is left of the limit: drop it and stop.
      const size_t allowed = maxBytes - taken;
      Captured(start, std::min(allowed, length));
      begin_ += std::min(allowed, length);
      consumed += std::min(allowed, length);
      line.clear();
      return TIoStatus::TooLong;
    }
    line.append(start, found ? length - 1 : length);
    Captured(start, length);
    begin_ += length;
    taken += length;
    consumed += length;
    if (found) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return TIoStatus::Ok;
    }
  }
}

TIoStatus TConnection::ReadAppend(std::string& out, size_t maxBytes, TDeadline deadline) {
  if (begin_ == end_) {
    if (maxBytes >= kDirectReadMin) return ReadDirect(out, maxBytes, deadline);
    if (const TIoStatus status = Fill(deadline); status != TIoStatus::Ok) return status;
  }
  const size_t count = std::min(maxBytes, end_ - begin_);
  out.append(buffer_.data() + begin_, count);
  Captured(buffer_.data() + begin_, count);
  begin_ += count;
  return TIoStatus::Ok;
}

TIoStatus TConnection::ReadDirect(std::string& out, size_t maxBytes, TDeadline deadline) {
  // Large stretches go straight into `out`, saving a copy through the buffer. Its room grows with
  // what arrived (doubling), never with what was announced.
  const size_t old = out.size();
  if (out.capacity() - old < kDirectReadMin) out.reserve(std::max(out.capacity() * 2, old + kDirectReadMax));
  const size_t want = std::min({maxBytes, out.capacity() - old, kDirectReadMax});
  out.resize(old + want);
  size_t received = 0;
  const TIoStatus status = Receive(out.data() + old, want, received, deadline);
  out.resize(old + (status == TIoStatus::Ok ? received : 0));
  Captured(out.data() + old, out.size() - old);
  return status;
}

}  // namespace varnelo::network
