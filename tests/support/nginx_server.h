#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "support/temp_dir.h"

namespace varnelo::test {

// nginx from the system (/usr/sbin/nginx) run as a child process on 127.0.0.1 and a free port, with a
// configuration of its own in a temporary folder (pid, logs and temporary files there too). It serves
// one folder under one URL prefix with nginx's default handling of Last-Modified, If-Modified-Since
// and ETag, types from /etc/nginx/mime.types and application/octet-stream for the others. Stopped and
// waited for at the end.
class TNginxServer {
public:
  struct TOptions {
    // The folder served, and the URL path under which it is served: begins and ends with "/".
    std::filesystem::path folder;
    std::string prefix = "/";
    // Directives added inside the location that serves the folder, for instance "autoindex on;".
    std::string locationDirectives;
    // Directives added at the end of the server block, for instance
    // "location = /old { return 301 /new; }".
    std::string extraServerDirectives;
  };

  // Starts nginx and returns once it answers. Throws std::runtime_error when it cannot start (its
  // error output is in the message) or std::invalid_argument for a prefix of another form.
  explicit TNginxServer(TOptions options);
  TNginxServer(const std::filesystem::path& folder, std::string prefix = "/");
  TNginxServer(const TNginxServer&) = delete;
  TNginxServer& operator=(const TNginxServer&) = delete;
  ~TNginxServer();

  // Why nginx cannot run here, for GTEST_SKIP(); empty when it can.
  static std::string Unavailable();

  int Port() const { return port_; }
  // "127.0.0.1:<port>".
  std::string Authority() const;
  // "http://", the authority, then `pathAndQuery`.
  std::string Url(std::string_view pathAndQuery) const;
  // nginx's logs, to show what it did when a test fails.
  std::filesystem::path AccessLog() const { return dir_.Path() / "access.log"; }
  std::filesystem::path ErrorLog() const { return dir_.Path() / "error.log"; }

private:
  std::string Configuration() const;
  // One try on a port picked just before; false when that port was taken meanwhile.
  bool Start();
  void Stop();

  TOptions options_;
  TTempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace varnelo::test
