#include "network/connection.h"

#include <algorithm>
#include <cstring>

namespace varnelo::network {

TIoStatus TConnection::Connect(const std::string& host, const std::string& port, TDeadline deadline) {
  return socket_.Connect(host, port, deadline, cancel_);
}

TIoStatus TConnection::StartTls(const std::string& host, bool verify, const std::string& extraCaFile,
                                TDeadline deadline) {
  // Bytes already buffered after a tunnel's answer would belong to the TLS stream; a proxy sends none.
  if (begin_ != end_) return TIoStatus::Failed;
  tls_ = std::make_unique<TTlsSession>();
  return tls_->Handshake(socket_.Fd(), host, verify, extraCaFile, deadline, cancel_);
}

TIoStatus TConnection::WriteAll(std::string_view data, TDeadline deadline) {
  return tls_ ? tls_->WriteAll(data, deadline, cancel_) : socket_.WriteAll(data, deadline, cancel_);
}

TIoStatus TConnection::Fill(TDeadline deadline) {
  begin_ = end_ = 0;
  size_t received = 0;
  const TIoStatus status = tls_ ? tls_->Read(buffer_.data(), buffer_.size(), received, deadline, cancel_)
                                : socket_.Read(buffer_.data(), buffer_.size(), received, deadline, cancel_);
  if (status == TIoStatus::Ok) end_ = received;
  return status;
}

TIoStatus TConnection::ReadLine(std::string& line, size_t maxBytes, size_t& consumed, TDeadline deadline) {
  line.clear();
  size_t taken = 0;
  while (true) {
    if (begin_ == end_) {
      if (CancelRequested(cancel_)) return TIoStatus::Cancelled;
      if (const TIoStatus status = Fill(deadline); status != TIoStatus::Ok) return status;
    }
    const char* start = buffer_.data() + begin_;
    const size_t available = end_ - begin_;
    const void* found = std::memchr(start, '\n', available);
    const size_t length = found ? size_t(static_cast<const char*>(found) - start) + 1 : available;
    if (taken + length > maxBytes) {
      // A line longer than what is left of the limit: drop it and stop.
      const size_t allowed = maxBytes - taken;
      begin_ += std::min(allowed, length);
      consumed += std::min(allowed, length);
      line.clear();
      return TIoStatus::TooLong;
    }
    line.append(start, found ? length - 1 : length);
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
    if (CancelRequested(cancel_)) return TIoStatus::Cancelled;
    if (maxBytes >= kDirectReadMin) return ReadDirect(out, maxBytes, deadline);
    if (const TIoStatus status = Fill(deadline); status != TIoStatus::Ok) return status;
  }
  const size_t count = std::min(maxBytes, end_ - begin_);
  out.append(buffer_.data() + begin_, count);
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
  const TIoStatus status = tls_ ? tls_->Read(out.data() + old, want, received, deadline, cancel_)
                                : socket_.Read(out.data() + old, want, received, deadline, cancel_);
  out.resize(old + (status == TIoStatus::Ok ? received : 0));
  return status;
}

}  // namespace varnelo::network
