#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "network/cancel.h"
#include "network/transfer_capture.h"
#include "network/transfer_fault.h"

namespace varnelo::network {

// The HTTP client: one request (one fresh client per request), its answer in the fields. The
// connection below may come from the process's pool and go back to it when the answer leaves it
// between two answers (see connection_pool.h); the request bytes and answer fields are the same.
class THttpClient {
public:
  // Default limit for each read.
  static constexpr int kDefaultTimeout = 90000;
  // Limit for opening the TCP connection (name lookup and connect, all addresses together).
  static constexpr int kDefaultConnectTimeout = 30000;
  // The most of a body held in memory (pages to parse, feeds, answers for scripts).
  static constexpr std::int64_t kMaxHeldBodyBytes = std::int64_t(256) * 1024 * 1024;
  // A body slower than kDefaultMinRate bytes per second over kDefaultLowSpeedTime ms is given up.
  static constexpr std::int64_t kDefaultMinRate = 1024;
  static constexpr int kDefaultLowSpeedTime = 30000;

  // Where a streamed body goes, stretch by stretch; false when it cannot take them (the transfer
  // then ends with SinkFailed).
  using TBodySink = std::function<bool(std::string_view)>;

  // Reads the system proxy settings (internet-settings.ini), `tlsverify` and
  // VARNELO_EXTRA_CA_FILE. Throws EProxySettingsError when the http proxy's port is not a decimal
  // number. `cancel` (the robot's termination request, may be null) ends any transfer within a
  // second: the connection then fails like a refused one, or the reading ends like a time-out.
  // VARNELO_READ_TIMEOUT_MS and VARNELO_LOW_SPEED_TIME_MS, when set, replace Timeout and LowSpeedTime
  // (the tests shorten them).
  explicit THttpClient(TCancel cancel = {});
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // Sends one request and reads its answer. True when a connection was made, the request sent and an
  // answer read (any status code, or none: ResultCode 0). False on a refused connection, a name that
  // does not resolve, an unreachable proxy, a refused CONNECT tunnel, a failed TLS handshake or
  // certificate check, a failure while sending, a host refused by the loopback guard, a request the
  // gate of Cancel did not admit, or a cancellation before the answer's first line arrived; ResultCode
  // then stays 500. A cancellation
  // later ends the reading like a time-out (what was read stays), except that a body shorter than
  // its Content-Length or without its last chunk is then a failure with no Fault and no Document. False also when the answer began
  // but was given up (Fault says why; Headers and ResultCode stay, Document is emptied): a header
  // block that did not arrive whole within Timeout, a body past its cap, a body shorter than its
  // Content-Length, a chunked body that ended before its last chunk, a body below the minimum rate, a
  // sink that failed.
  bool HttpMethod(std::string_view method, std::string_view url);

  // Before the request: extra header lines to send. After the answer: the status line, every header
  // line and the empty line that ended them (kept up to the 1 MiB header cap).
  std::vector<std::string> Headers;
  std::string Document;                          // the body received
  std::string MimeType = "text/html";            // Content-Type, parameters included
  std::string Protocol = "1.1";
  bool KeepAlive = true;                         // false sends "Connection: close"
  std::string UserAgent = "Mozilla/4.0 (compatible; Varnelo)";
  int Timeout = kDefaultTimeout;                 // ms, each wait for body bytes / the whole header block
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
  TCancel Cancel;
  std::int64_t MaxHeldBody = kMaxHeldBodyBytes;  // cap of a body kept in Document
  std::int64_t MaxStreamedBody = std::numeric_limits<std::int64_t>::max();  // cap of a body given to a sink
  std::int64_t MinRate = kDefaultMinRate;        // bytes per second; 0 turns the rate check off
  int LowSpeedTime = kDefaultLowSpeedTime;       // ms
  // Asked once the header block is read: a sink takes the body instead of Document (nothing: Document).
  std::function<TBodySink(const THttpClient&)> BodySinkFor;
  // Takes the exact bytes of the request and of its answer (not those of a proxy's CONNECT); may be null.
  TTransferCapture* Capture = nullptr;
  TTransferFault Fault = TTransferFault::None;   // why the last answer was given up
  std::int64_t FaultLimit = 0;                   // the cap a TooLarge body went past

private:
  void ClearAnswer();
};

}  // namespace varnelo::network
