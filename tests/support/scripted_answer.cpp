#include "support/scripted_answer.h"

#include <cstdio>

namespace varnelo::test {

TScriptedAnswer TScriptedAnswer::Page(std::string_view statusLine, std::string_view headers, std::string_view body) {
  std::string head(statusLine);
  head += "\r\n";
  head += headers;
  head += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  head += body;
  return Raw(head);
}

TScriptedAnswer TScriptedAnswer::Ok(std::string_view body, std::string_view headers) {
  return Page("HTTP/1.1 200 OK", headers, body);
}

TScriptedAnswer TScriptedAnswer::Redirect(int status, std::string_view location) {
  std::string headers = "Location: ";
  headers += location;
  headers += "\r\n";
  return Page("HTTP/1.1 " + std::to_string(status) + " Moved", headers, "");
}

TScriptedAnswer TScriptedAnswer::Raw(std::string_view bytes) { return TScriptedAnswer().Send(bytes); }

TScriptedAnswer TScriptedAnswer::Chunked(std::string_view statusLine, std::string_view headers,
                                         const std::vector<std::string>& chunks) {
  std::string text(statusLine);
  text += "\r\n";
  text += headers;
  text += "Transfer-Encoding: chunked\r\n\r\n";
  for (const std::string& chunk : chunks) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", chunk.size());
    text += size + chunk + "\r\n";
  }
  text += "0\r\n\r\n";
  return Raw(text);
}

TScriptedAnswer& TScriptedAnswer::Send(std::string_view bytes) { return SendRepeated(bytes, 1); }

TScriptedAnswer& TScriptedAnswer::SendRepeated(std::string_view bytes, std::uint64_t count) {
  steps_.push_back({TStep::TKind::Send, std::string(bytes), count, {}, {}});
  return *this;
}

TScriptedAnswer& TScriptedAnswer::Trickle(std::string_view bytes, std::chrono::milliseconds gap) {
  steps_.push_back({TStep::TKind::Send, std::string(bytes), 1, gap, {}});
  return *this;
}

TScriptedAnswer& TScriptedAnswer::Pause(std::chrono::milliseconds duration) {
  steps_.push_back({TStep::TKind::Pause, {}, 0, duration, {}});
  return *this;
}

TScriptedAnswer& TScriptedAnswer::WaitUntil(std::function<bool()> condition, std::chrono::milliseconds limit) {
  steps_.push_back({TStep::TKind::WaitUntil, {}, 0, limit, std::move(condition)});
  return *this;
}

}  // namespace varnelo::test
