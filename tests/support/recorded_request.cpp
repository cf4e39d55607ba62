#include "support/recorded_request.h"

#include <strings.h>

#include <algorithm>

#include "support/loopback_stream.h"

namespace varnelo::test {

std::vector<std::string> TRecordedRequest::Lines() const {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = head.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(head.substr(start, end - start));
  if (start < head.size()) lines.push_back(head.substr(start));
  return lines;
}

std::string TRecordedRequest::RequestLine() const { return head.substr(0, head.find("\r\n")); }

std::string TRecordedRequest::Method() const {
  const std::string line = RequestLine();
  return line.substr(0, line.find(' '));
}

std::string TRecordedRequest::Target() const {
  const std::string line = RequestLine();
  const size_t start = line.find(' ');
  if (start == std::string::npos) return "";
  const size_t end = line.find(' ', start + 1);
  return line.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

std::optional<std::string> TRecordedRequest::Header(std::string_view name) const {
  const std::vector<std::string> lines = Lines();
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.size() > name.size() && line[name.size()] == ':' &&
        ::strncasecmp(line.data(), name.data(), name.size()) == 0) {
      const size_t value = line.find_first_not_of(' ', name.size() + 1);
      return value == std::string::npos ? "" : line.substr(value);
    }
  }
  return std::nullopt;
}

std::optional<TReadHead> ReadRequestHead(TLoopbackStream& stream, std::chrono::milliseconds timeout, size_t limit) {
  std::string received;
  char buffer[4096];
  for (;;) {
    const size_t end = received.find("\r\n\r\n");
    if (end != std::string::npos) return TReadHead{received.substr(0, end + 4), received.substr(end + 4)};
    if (received.size() > limit) return std::nullopt;
    const size_t got = stream.Read(buffer, sizeof buffer, timeout);
    if (got == 0) return std::nullopt;
    received.append(buffer, got);
  }
}

}  // namespace varnelo::test

namespace varnelo::test {

std::string ReadRequestBody(TLoopbackStream& stream, std::string received, size_t length,
                            std::chrono::milliseconds timeout) {
  char buffer[4096];
  while (received.size() < length) {
    const size_t got = stream.Read(buffer, std::min(sizeof buffer, length - received.size()), timeout);
    if (got == 0) break;
    received.append(buffer, got);
  }
  received.resize(std::min(received.size(), length));
  return received;
}

}  // namespace varnelo::test
