#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::test {

class TLoopbackStream;

// The head of one request exactly as it came off the wire: request line, header lines and the empty
// line, each ended by CR LF.
struct TRecordedRequest {
  std::string head;
  // The body that followed the head, as long as its Content-Length said (empty without one).
  std::string body{};
  // When the server had read the whole head.
  std::chrono::steady_clock::time_point receivedAt{};

  // The lines without their CR LF, the final empty line included.
  std::vector<std::string> Lines() const;
  std::string RequestLine() const;
  std::string Method() const;
  std::string Target() const;
  // The value (after ": ") of the first header line of that name, compared without regard to case.
  std::optional<std::string> Header(std::string_view name) const;
};

struct TReadHead {
  std::string head;  // up to and including the first empty line
  std::string rest;  // bytes read past it
};

// Reads the rest of a body of `length` bytes after the `received` ones; what came when the peer
// closed or went silent for `timeout`.
std::string ReadRequestBody(TLoopbackStream& stream, std::string received, size_t length,
                            std::chrono::milliseconds timeout);

// Reads a request head; nothing when the peer closed, went silent for `timeout`, or sent more than
// `limit` bytes without ending the head.
std::optional<TReadHead> ReadRequestHead(TLoopbackStream& stream, std::chrono::milliseconds timeout,
                                         size_t limit = 1 << 20);

}  // namespace varnelo::test
