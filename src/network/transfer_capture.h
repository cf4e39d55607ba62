#pragma once

#include <string_view>

namespace varnelo::network {

// Takes the bytes of one exchange as they cross the connection: the request as written, then the
// answer as read (status line, header lines with their line ends, the body before any decoding).
class TTransferCapture {
public:
  virtual ~TTransferCapture() = default;
  virtual void RequestSent(std::string_view bytes) = 0;
  virtual void AnswerReceived(std::string_view bytes) = 0;
  // Everything received from now on is the body.
  virtual void AnswerHeadEnded() = 0;
  // The connection closed before any answer: the request goes again on a fresh one, so what was sent
  // of it so far is void.
  virtual void RequestVoided() = 0;
};

}  // namespace varnelo::network
