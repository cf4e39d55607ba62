#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "network/cancel.h"
#include "network/io_status.h"
#include "network/tcp_socket.h"
#include "network/transfer_capture.h"
#include "network/tls_session.h"

namespace varnelo::network {

// The byte stream under the HTTP client: a TCP connection, optionally with TLS on it, read through a
// buffer in lines or in stretches. Every call honours a deadline and the cancellation flag: a stop
// asked before the connection is made leaves it unmade; one that comes later gives the transfer the
// caller's grace (an answer already arriving is read whole) and then ends each call as Cancelled.
class TConnection {
public:
  explicit TConnection(TCancel cancel) : cancel_(cancel) {}
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;

  TIoStatus Connect(const std::string& host, const std::string& port, TDeadline deadline);
  // Starts TLS on the open connection (after a CONNECT tunnel when there is one).
  TIoStatus StartTls(const std::string& host, const std::string& port, bool verify, const std::string& extraCaFile,
                     TDeadline deadline);

  // A connection kept for another request answers to that request's stop.
  void Rebind(TCancel cancel);
  // Nothing buffered, nothing waiting on the socket and the peer has not closed: the stream stands
  // exactly between two answers.
  bool Quiet() const;

  TIoStatus WriteAll(std::string_view data, TDeadline deadline);

  // From now on every byte written and every byte taken from the stream also goes to `capture` (may
  // be null), which must outlive the connection's use.
  void SetCapture(TTransferCapture* capture) { capture_ = capture; }

  // One line into `line`, without its LF and a CR before it. `consumed` is increased by the bytes taken
  // from the stream (line end included). TooLong when the line, with its end, would take more than
  // `maxBytes` (the bytes read so far are consumed and dropped); Closed at the end of the stream, with
  // what came of an unfinished line in `line`.
  TIoStatus ReadLine(std::string& line, size_t maxBytes, size_t& consumed, TDeadline deadline);

  // Appends at most `maxBytes` (at least one) to `out`: what is buffered, else what one read brings.
  TIoStatus ReadAppend(std::string& out, size_t maxBytes, TDeadline deadline);

private:
  // Reads of at least this much, with nothing buffered, go straight into the caller's string, in
  // steps of at most kDirectReadMax.
  static constexpr size_t kDirectReadMin = 16 * 1024;
  static constexpr size_t kDirectReadMax = 256 * 1024;

  // Runs `step` (given a deadline and a flag) under the stop's rule above.
  template <typename TStep>
  TIoStatus Honouring(TDeadline deadline, TStep step);
  TIoStatus Receive(char* data, size_t size, size_t& received, TDeadline deadline);
  TIoStatus Fill(TDeadline deadline);
  TIoStatus ReadDirect(std::string& out, size_t maxBytes, TDeadline deadline);
  void Captured(const char* data, size_t size) {
    if (capture_ != nullptr && size > 0) capture_->AnswerReceived(std::string_view(data, size));
  }

  TCancel cancel_;
  TTcpSocket socket_;
  std::unique_ptr<TTlsSession> tls_;
  std::vector<char> buffer_ = std::vector<char>(64 * 1024);
  size_t begin_ = 0;
  size_t end_ = 0;
  std::optional<TDeadline> graceEnd_;
  TTransferCapture* capture_ = nullptr;  // set when the stop was first seen
};

}  // namespace varnelo::network
