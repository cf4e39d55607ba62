// Any bytes as the whole answer of a server: the client reads its status line, headers and body (sized,
// chunked or until the close) without crashing, and keeps no more than what the server sent.
// The server is a loopback socket of this process that sends the input and closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "network/http_client.h"

namespace {

int ListeningSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) std::abort();
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();
  }
  port = ntohs(address.sin_port);
  return fd;
}

// Takes the request (up to its empty line), sends the answer, and closes once the client has gone, so
// that nothing the client still had to read is lost to a reset.
void Serve(int listener, std::string_view answer) {
  const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) std::abort();
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, size_t(got));
  }
  while (!answer.empty()) {
    const ssize_t sent = ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    answer.remove_prefix(size_t(sent));
  }
  ::shutdown(fd, SHUT_WR);
  while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // No proxy settings of the machine may reach the client.
  ::setenv("XDG_CONFIG_HOME", "/nonexistent-varnelo-fuzz", 1);
  ::unsetenv("VARNELO_EXTRA_CA_FILE");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int port = 0;
  static const int listener = ListeningSocket(port);
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  std::thread server(Serve, listener, answer);
  {
    varnelo::network::THttpClient client;
    client.Timeout = 5000;
    const bool answered = client.HttpMethod("GET", "http://127.0.0.1:" + std::to_string(port) + "/");
    if (!answered) std::abort();
    // An answer without a status line is all body, its first line given back its CR LF.
    size_t kept = client.Document.size();
    for (const std::string& line : client.Headers) kept += line.size();
    if (kept > size + 2) std::abort();
  }
  server.join();
  return 0;
}
