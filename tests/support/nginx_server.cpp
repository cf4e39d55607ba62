#include "support/nginx_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"

namespace varnelo::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr const char* kMimeTypes = "/etc/nginx/mime.types";
constexpr auto kStartLimit = 10s;
constexpr auto kStopLimit = 10s;

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  return address;
}

// A port that nothing listens on now; nginx binds it a moment later (Start retries when another
// process was quicker).
int FreePort() {
  const platform::TUniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!socket.Valid()) throw std::system_error(errno, std::generic_category(), "socket");
  sockaddr_in address = LoopbackAddress(0);
  socklen_t length = sizeof address;
  if (::bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::system_error(errno, std::generic_category(), "bind");
  }
  return ntohs(address.sin_port);
}

bool Answers(int port) {
  const platform::TUniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const sockaddr_in address = LoopbackAddress(port);
  return socket.Valid() && ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// A string of the configuration language, whatever the path holds.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string ReadText(const fs::path& file) {
  std::ifstream input(file, std::ios::binary);
  std::ostringstream text;
  text << input.rdbuf();
  return text.str();
}

// nginx's workers take the user of the master only when told: root would otherwise hand them to
// "nobody", who cannot read a test's private temporary folders.
std::string UserDirective() {
  if (::geteuid() != 0) return {};
  const passwd* user = ::getpwuid(::geteuid());
  const group* group = ::getgrgid(::getegid());
  if (user == nullptr || group == nullptr) return {};
  return std::string("user ") + user->pw_name + " " + group->gr_name + ";\n";
}

bool WaitExited(pid_t pid, std::chrono::steady_clock::duration limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

}  // namespace

TNginxServer::TNginxServer(TOptions options) : options_(std::move(options)) {
  const std::string& prefix = options_.prefix;
  if (prefix.empty() || prefix.front() != '/' || prefix.back() != '/') {
    throw std::invalid_argument("URL prefix must begin and end with '/': " + prefix);
  }
  const std::string reason = Unavailable();
  if (!reason.empty()) throw std::runtime_error(reason);
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (Start()) return;
  }
  throw std::runtime_error("nginx found no free port");
}

TNginxServer::TNginxServer(const fs::path& folder, std::string prefix)
    : TNginxServer(TOptions{folder, std::move(prefix), {}, {}}) {}

TNginxServer::~TNginxServer() { Stop(); }

std::string TNginxServer::Unavailable() {
  if (::access(kNginx, X_OK) != 0) return std::string("nginx is not installed (") + kNginx + " missing)";
  if (::access(kMimeTypes, R_OK) != 0) return std::string("nginx has no ") + kMimeTypes;
  return {};
}

std::string TNginxServer::Authority() const { return "127.0.0.1:" + std::to_string(port_); }

std::string TNginxServer::Url(std::string_view pathAndQuery) const {
  return "http://" + Authority() + std::string(pathAndQuery);
}

std::string TNginxServer::Configuration() const {
  const fs::path& dir = dir_.Path();
  const std::string served = options_.folder.string();
  std::ostringstream text;
  text << "daemon off;\n"
       << "master_process on;\n"
       << "worker_processes 1;\n"
       << UserDirective() << "pid " << Quoted((dir / "nginx.pid").string()) << ";\n"
       << "error_log " << Quoted(ErrorLog().string()) << " notice;\n"
       << "events { worker_connections 256; }\n"
       << "http {\n"
       << "  include " << kMimeTypes << ";\n"
       << "  default_type application/octet-stream;\n"
       << "  access_log " << Quoted(AccessLog().string()) << ";\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    text << "  " << kind << "_temp_path " << Quoted((dir / kind).string()) << ";\n";
  }
  text << "  server {\n"
       << "    listen 127.0.0.1:" << port_ << ";\n"
       << "    server_name localhost;\n"
       << "    root " << Quoted((dir / "empty").string()) << ";\n";
  if (options_.prefix == "/") {
    text << "    location / { root " << Quoted(served) << "; " << options_.locationDirectives << " }\n";
  } else {
    text << "    location " << Quoted(options_.prefix) << " { alias " << Quoted(served + "/") << "; "
         << options_.locationDirectives << " }\n";
  }
  text << "    " << options_.extraServerDirectives << "\n"
       << "  }\n"
       << "}\n";
  return text.str();
}

bool TNginxServer::Start() {
  port_ = FreePort();
  const fs::path& dir = dir_.Path();
  std::error_code ignored;
  fs::remove(ErrorLog(), ignored);
  const std::string config = (dir / "nginx.conf").string();
  {
    std::ofstream out(config, std::ios::binary | std::ios::trunc);
    out << Configuration();
    if (!out.flush()) throw std::runtime_error("cannot write " + config);
  }
  const std::string output = (dir / "output.log").string();
  const std::string prefixDir = dir.string() + "/";
  const std::string errorLog = ErrorLog().string();
  std::vector<const char*> args = {kNginx, "-p", prefixDir.c_str(), "-c", config.c_str(), "-e", errorLog.c_str(),
                                   nullptr};
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::system_error(errno, std::generic_category(), "fork");
  if (pid == 0) {
    // Only async-signal-safe calls here. nginx goes when the test process dies, even killed.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    // A group of its own, so that its worker can be killed with it when it does not stop.
    ::setpgid(0, 0);
    const int null = ::open("/dev/null", O_RDONLY);
    const int log = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || log < 0 || ::dup2(null, 0) < 0 || ::dup2(log, 1) < 0 || ::dup2(log, 2) < 0) ::_exit(127);
    ::execv(kNginx, const_cast<char* const*>(args.data()));
    ::_exit(127);
  }
  pid_ = pid;

  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      const std::string said = ReadText(output) + ReadText(ErrorLog());
      if (said.find("Address already in use") != std::string::npos) return false;
      throw std::runtime_error("nginx did not start: " + said);
    }
    if (Answers(port_)) return true;
    std::this_thread::sleep_for(10ms);
  }
  Stop();
  throw std::runtime_error("nginx did not answer on port " + std::to_string(port_) + ": " + ReadText(ErrorLog()));
}

void TNginxServer::Stop() {
  if (pid_ < 0) return;
  // The fast shutdown: the master ends its worker and waits for it, open connections are dropped.
  ::kill(pid_, SIGTERM);
  if (!WaitExited(pid_, kStopLimit)) {
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

}  // namespace varnelo::test
