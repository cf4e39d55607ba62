#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnelo::network {

// The HTTP client: one request (one fresh client per request), its answer in the fields.
class THttpClient {
public:
  // Default limit for each read.
  static constexpr int kDefaultTimeout = 90000;
  // Limit for opening the TCP connection (name lookup and connect, all addresses together).
  static constexpr int kDefaultConnectTimeout = 30000;

  // Reads the system proxy settings (internet-settings.ini), `tlsverify` and
  // VARNELO_EXTRA_CA_FILE. Throws EProxySettingsError when the http proxy's port is not a decimal
  // number. `cancel` (the robot's termination request, may be null) ends any transfer within a
  // second: the connection then fails like a refused one, or the reading ends like a time-out.
  explicit THttpClient(const std::atomic<bool>* cancel = nullptr);
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // Sends one request and reads its answer. True when a connection was made, the request sent and an
  // answer read (any status code, or none: ResultCode 0). False on a refused connection, a name that
  // does not resolve, an unreachable proxy, a refused CONNECT tunnel, a failed TLS handshake or
  // certificate check, a failure while sending, a host refused by the loopback guard, or a
  // cancellation before the answer's first line arrived; ResultCode then stays 500. A cancellation
  // later ends the reading like a time-out (what was read stays).
  bool HttpMethod(std::string_view method, std::string_view url);

  // Before the request: extra header lines to send. After the answer: the status line, every header
  // line and the empty line that ended them (kept up to the 1 MiB header cap).
  std::vector<std::string> Headers;
  std::string Document;                          // the body received
  std::string MimeType = "text/html";            // Content-Type, parameters included
  std::string Protocol = "1.1";
  bool KeepAlive = true;                         // false sends "Connection: close"
  std::string UserAgent = "Mozilla/4.0 (compatible; Varnelo)";
  int Timeout = kDefaultTimeout;                 // ms, each wait for bytes / each header line
  std::string ProxyHost;                         // from the system proxy settings
  std::string ProxyPort = "8080";
  std::string ProxyUser;
  std::string ProxyPass;
  std::string Username;                          // the URL's user and password (set by HttpMethod)
  std::string Password;
  std::string IfModifiedSince;
  std::string Accept;
  // Sent after the header lines with its Content-Length (a POST); nothing when empty.
  std::string RequestBody;
  int ResultCode = 500;
  std::string ResultString;
  std::string Location;                          // only for 300..399
  std::time_t LastModified = 0;                  // the instant of Last-Modified; 0 when absent or unreadable
  std::int64_t ContentLength = 0;                // -1 when not a number; 0 when absent
  std::vector<std::pair<std::string, std::string>> Cookies;  // from Set-Cookie; sent back as Cookie lines

  // Transport settings of our own.
  int ConnectTimeout = kDefaultConnectTimeout;   // ms
  bool TlsVerify = true;                         // from [general] tlsverify ("0" turns checks off)
  std::string ExtraCaFile;                       // from VARNELO_EXTRA_CA_FILE: extra trusted CAs (PEM)
  const std::atomic<bool>* Cancel = nullptr;

private:
  void ClearAnswer();
};

}  // namespace varnelo::network
