#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::test {

// What a loopback server sends on one connection, as a list of steps played in order; the connection
// is closed after the last step. Huge answers are generated while they are sent, never held whole.
class TScriptedAnswer {
public:
  struct TStep {
    enum class TKind { Send, Pause, WaitUntil } kind = TKind::Send;
    std::string bytes;  // Send: the bytes, sent `repeat` times over
    std::uint64_t repeat = 1;
    // Send: wait before each byte (a trickle) when not zero; Pause: the wait; WaitUntil: the longest wait
    std::chrono::milliseconds gap{0};
    std::function<bool()> condition;  // WaitUntil: what ends the wait
  };

  // A complete answer: status line, the given header lines (each ended by CR LF), a Content-Length
  // line, the empty line and the body.
  static TScriptedAnswer Page(std::string_view statusLine, std::string_view headers, std::string_view body);
  static TScriptedAnswer Ok(std::string_view body, std::string_view headers = "Content-Type: text/html\r\n");
  static TScriptedAnswer Redirect(int status, std::string_view location);
  // Exactly these bytes, then the connection closes.
  static TScriptedAnswer Raw(std::string_view bytes);
  // Status line, headers (ended by CR LF each), "Transfer-Encoding: chunked", then each chunk with its
  // hexadecimal size line, and the last chunk.
  static TScriptedAnswer Chunked(std::string_view statusLine, std::string_view headers,
                                 const std::vector<std::string>& chunks);

  TScriptedAnswer& Send(std::string_view bytes);
  // `bytes` sent `count` times over; sending ends early when the client closes or the server stops.
  TScriptedAnswer& SendRepeated(std::string_view bytes, std::uint64_t count);
  // `bytes` sent one byte at a time, each after `gap`.
  TScriptedAnswer& Trickle(std::string_view bytes, std::chrono::milliseconds gap);
  // Silence; the connection stays open.
  TScriptedAnswer& Pause(std::chrono::milliseconds duration);
  // Silence until `condition` holds (asked on the server's thread every few milliseconds) or `limit`
  // has passed, so that a test can hold an answer back until the client has reached some point.
  TScriptedAnswer& WaitUntil(std::function<bool()> condition, std::chrono::milliseconds limit);

  const std::vector<TStep>& Steps() const { return steps_; }

private:
  std::vector<TStep> steps_;
};

}  // namespace varnelo::test
