#include "network/http_client.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "base/text.h"
#include "network/connection.h"
#include "network/connection_pool.h"
#include "network/host_guard.h"
#include "network/http_answer.h"
#include "network/http_date.h"
#include "network/http_request.h"
#include "network/internet_settings.h"
#include "network/tls_settings.h"
#include "network/transfer_rate.h"
#include "network/transport_counters.h"
#include "network/url_parts.h"

namespace varnelo::network {
namespace {

// The largest stretch appended to the body in one step.
constexpr size_t kBodyStep = 1024 * 1024;

enum class TBodyKind { UntilClose, Length, Chunked };

// A positive number of milliseconds from the environment variable `name`; `fallback` otherwise.
int MillisecondsFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr) return fallback;
  const std::string_view value(text);
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && end == value.data() + value.size() && number > 0 ? number : fallback;
}

// Reads a body through its caps and its rate, into the client's Document or into a sink.
class TBodyReader {
public:
  TBodyReader(TConnection& connection, THttpClient& client, THttpClient::TBodySink sink)
      : connection_(connection),
        client_(client),
        sink_(std::move(sink)),
        cap_(sink_ ? client.MaxStreamedBody : client.MaxHeldBody),
        rate_(client.MinRate, client.LowSpeedTime),
        taken_(std::int64_t(client.Document.size())) {}

  std::int64_t Cap() const { return cap_; }

  // At most `want` bytes (at least one). False when the stream ended, a read failed or timed out, or
  // the transfer was given up (the client's Fault then says why). `got` is what arrived.
  bool Read(size_t want, size_t& got) {
    got = 0;
    if (taken_ > cap_) return GiveUp(TTransferFault::TooLarge);
    if (taken_ == cap_) return AtCap();
    want = size_t(std::min<std::int64_t>(std::int64_t(want), cap_ - taken_));
    std::string& into = sink_ ? stretch_ : client_.Document;
    if (!sink_) MakeRoom(want);
    const size_t before = into.size();
    if (Wait([&](TDeadline deadline) { return connection_.ReadAppend(into, want, deadline); }) != TIoStatus::Ok) {
      return false;
    }
    got = into.size() - before;
    taken_ += std::int64_t(got);
    if (!rate_.Arrived(std::int64_t(got))) return GiveUp(TTransferFault::TooSlow);
    if (sink_) {
      const bool written = sink_(stretch_);
      stretch_.clear();
      if (!written) return GiveUp(TTransferFault::SinkFailed);
    }
    return true;
  }

  // A chunk's size line, waited for within the body's rate as well.
  TIoStatus ReadLine(std::string& line, size_t maxBytes, size_t& consumed) {
    return Wait([&](TDeadline deadline) { return connection_.ReadLine(line, maxBytes, consumed, deadline); });
  }

  bool GiveUp(TTransferFault fault) {
    if (client_.Fault == TTransferFault::None) client_.Fault = fault;
    if (fault == TTransferFault::TooLarge) client_.FaultLimit = cap_;
    return false;
  }

private:
  // One read, waited for up to the read time-out; a stretch of the rate that ends meanwhile is judged,
  // and the wait goes on when it kept the rate.
  template <typename TRead>
  TIoStatus Wait(TRead&& read) {
    const TDeadline readDeadline = DeadlineIn(client_.Timeout);
    while (true) {
      const TIoStatus status = read(rate_.NextDeadline(readDeadline));
      if (status != TIoStatus::TimedOut) return status;
      if (!rate_.Arrived(0)) {
        GiveUp(TTransferFault::TooSlow);
        return status;
      }
      if (TClock::now() >= readDeadline) return status;
    }
  }

  // The body reached its cap: one more byte makes it too large, the end of the stream leaves it whole.
  bool AtCap() {
    std::string probe;
    if (Wait([&](TDeadline deadline) { return connection_.ReadAppend(probe, 1, deadline); }) != TIoStatus::Ok) {
      return false;
    }
    return GiveUp(TTransferFault::TooLarge);
  }

  // Room grows with what arrived (doubling, never past the cap), so that a false length costs no
  // memory while a long body is not copied over and over.
  void MakeRoom(size_t want) {
    std::string& document = client_.Document;
    if (document.capacity() - document.size() >= want) return;
    const std::int64_t grown = std::max<std::int64_t>(std::int64_t(document.size()) * 2,
                                                      std::int64_t(document.size() + std::max(want, kBodyStep)));
    document.reserve(size_t(std::min(grown, cap_)));
  }

  TConnection& connection_;
  THttpClient& client_;
  THttpClient::TBodySink sink_;
  std::int64_t cap_;
  TTransferRate rate_;
  std::int64_t taken_;
  std::string stretch_;
};

// Reads the answer of a CONNECT request: its status line and header block, within the header cap and
// one time-out. True on a 2xx answer.
bool ReadTunnelAnswer(TConnection& connection, int timeout) {
  size_t consumed = 0;
  std::string line;
  std::optional<TStatusLine> status;
  const TDeadline deadline = DeadlineIn(timeout);
  while (true) {
    const TIoStatus read = connection.ReadLine(line, kMaxHeaderBlockBytes - consumed, consumed, deadline);
    if (read != TIoStatus::Ok) return false;
    if (!status) {
      if (line.empty()) continue;
      status = ParseStatusLine(line);
      if (!status) return false;
      continue;
    }
    if (line.empty()) break;
  }
  return status->ResultCode >= 200 && status->ResultCode <= 299;
}

// A chunked body's trailer should follow its last chunk at once; a server that holds it back only
// costs its connection, not the answer.
constexpr int kTrailerWait = 200;

// Reads the trailer lines after the last chunk up to the empty line that ends them; false when they
// do not end within `timeout` ms.
bool SkipTrailer(TConnection& connection, int timeout) {
  const TDeadline deadline = DeadlineIn(timeout);
  size_t consumed = 0;
  std::string line;
  while (true) {
    if (connection.ReadLine(line, kMaxHeaderBlockBytes - consumed, consumed, deadline) != TIoStatus::Ok) return false;
    if (line.empty()) return true;
  }
}

// A status line of version 1.1, the only one that keeps its connection open by default.
bool IsHttp11(std::string_view statusLine) { return base::AsciiUppered(statusLine.substr(0, 9)) == "HTTP/1.1 "; }

TPoolKey PoolKeyFor(const THttpClient& client, const TUrlParts& parts) {
  TPoolKey key;
  key.Scheme = parts.Scheme;
  key.Host = parts.Host;
  key.Port = parts.Port;
  if (!client.ProxyHost.empty()) {
    key.ProxyHost = client.ProxyHost;
    key.ProxyPort = client.ProxyPort;
    key.ProxyUser = client.ProxyUser;
    key.ProxyPass = client.ProxyPass;
  }
  if (parts.Scheme == "https") {
    key.TlsVerify = client.TlsVerify;
    key.ExtraCaFile = client.ExtraCaFile;
  }
  return key;
}

// A fresh connection for the request: to the host, or to the proxy; for https through the proxy's
// tunnel, then TLS. Null when any step fails.
std::unique_ptr<TConnection> OpenConnection(const THttpClient& client, const TUrlParts& parts) {
  auto connection = std::make_unique<TConnection>(client.Cancel);
  const bool https = parts.Scheme == "https";
  const bool viaProxy = !client.ProxyHost.empty();
  const TDeadline connectDeadline = DeadlineIn(client.ConnectTimeout);
  if (viaProxy) {
    if (connection->Connect(client.ProxyHost, client.ProxyPort, connectDeadline) != TIoStatus::Ok) return nullptr;
  } else if (connection->Connect(parts.Host, parts.Port, connectDeadline) != TIoStatus::Ok) {
    return nullptr;
  }
  if (https) {
    if (viaProxy) {
      const std::string tunnel = BuildConnectRequest(parts.Host, parts.Port, client.ProxyUser, client.ProxyPass);
      if (connection->WriteAll(tunnel, DeadlineIn(client.Timeout)) != TIoStatus::Ok) return nullptr;
      if (!ReadTunnelAnswer(*connection, client.Timeout)) return nullptr;
    }
    const TDeadline handshakeDeadline = DeadlineIn(std::min(client.Timeout, client.ConnectTimeout));
    if (connection->StartTls(parts.Host, parts.Port, client.TlsVerify, client.ExtraCaFile, handshakeDeadline) !=
        TIoStatus::Ok) {
      return nullptr;
    }
  }
  return connection;
}

}  // namespace

THttpClient::THttpClient(TCancel cancel) : Cancel(cancel) {
  const TClientProxy proxy = ReadClientProxy();
  ProxyHost = proxy.Host;
  ProxyPort = proxy.Port;
  ProxyUser = proxy.User;
  ProxyPass = proxy.Pass;
  TlsVerify = ReadTlsVerify();
  ExtraCaFile = ExtraCaFileFromEnvironment();
  Timeout = MillisecondsFromEnvironment("VARNELO_READ_TIMEOUT_MS", Timeout);
  LowSpeedTime = MillisecondsFromEnvironment("VARNELO_LOW_SPEED_TIME_MS", LowSpeedTime);
}

void THttpClient::ClearAnswer() {
  ResultCode = 500;
  ResultString.clear();
  Location.clear();
  LastModified = 0;
  ContentLength = 0;
  Fault = TTransferFault::None;
  FaultLimit = 0;
}

bool THttpClient::HttpMethod(std::string_view method, std::string_view url) {
  ClearAnswer();
  const TUrlParts parts = CutUrl(url);
  Username = parts.User;
  Password = parts.Password;

  THttpRequestFields fields;
  fields.Method = std::string(method);
  fields.Url = parts;
  fields.Protocol = Protocol;
  fields.UserAgent = UserAgent;
  fields.KeepAlive = KeepAlive;
  fields.IfModifiedSince = IfModifiedSince;
  fields.Accept = Accept;
  fields.Cookies = Cookies;
  fields.ProxyHost = ProxyHost;
  fields.ProxyUser = ProxyUser;
  fields.ProxyPass = ProxyPass;
  fields.ExtraHeaders = Headers;
  fields.Body = RequestBody;
  const std::string request = BuildRequest(fields);
  const bool isHead = base::AsciiUppered(method) == "HEAD";

  // The loopback guard refuses before any lookup, like a refused connection.
  if (!HostAllowed(parts.Host) || (!ProxyHost.empty() && !HostAllowed(ProxyHost))) return false;
  // A request the crawl's gate refuses, or that a stop overtook while it waited, fails the same way.
  if (Cancel.Gate != nullptr && !Cancel.Gate->Admit(url, Cancel.Flag)) return false;

  const TPoolKey poolKey = PoolKeyFor(*this, parts);
  // A request with a body is never sent twice: it always goes on a fresh connection. A stop asked
  // already leaves the transfer unbegun, which only a fresh connection does.
  std::unique_ptr<TConnection> connection =
      RequestBody.empty() && !CancelRequested(Cancel.Flag) ? ConnectionPool().Take(poolKey, Cancel) : nullptr;
  bool reused = connection != nullptr;
  if (!connection && !(connection = OpenConnection(*this, parts))) return false;

  size_t headerBytes = 0;
  std::string line;
  bool broken = false;  // the header reading ended on an error: no body follows
  // The header block comes whole within one time-out, so a server sending a byte now and then
  // cannot hold the worker line after line.
  TDeadline headerDeadline;
  const auto readHeaderLine = [&] {
    return connection->ReadLine(line, kMaxHeaderBlockBytes - headerBytes, headerBytes, headerDeadline);
  };
  const auto headerTimedOut = [&] {
    Fault = TTransferFault::HeaderTimeout;
    return false;
  };
  const auto readFirstLine = [&] {
    TIoStatus read;
    do {
      read = readHeaderLine();
    } while (read == TIoStatus::Ok && line.empty());
    return read;
  };

  // Sends the request and waits for the first line of the answer. A kept connection that the server
  // closed before a byte of the answer came (its idle limit may end just as the request leaves) gets
  // the request once more, on a fresh connection.
  TIoStatus read;
  while (true) {
    auto& counters = TransportCounters();
    ++counters.RequestsSent;
    if (reused) ++counters.ConnectionsReused;
    connection->SetCapture(Capture);
    const TIoStatus sent = connection->WriteAll(request, DeadlineIn(Timeout));
    if (sent == TIoStatus::Ok) {
      // The answer. From here on the request has succeeded: whatever arrives is the answer.
      Document.clear();
      Headers.clear();
      MimeType = "text/html";
      headerBytes = 0;
      headerDeadline = DeadlineIn(Timeout);
      read = readFirstLine();
      if (!reused || headerBytes != 0 || (read != TIoStatus::Closed && read != TIoStatus::Failed)) break;
    } else if (!reused || (sent != TIoStatus::Failed && sent != TIoStatus::Closed)) {
      return false;
    }
    reused = false;
    if (Capture != nullptr) Capture->RequestVoided();
    if (!(connection = OpenConnection(*this, parts))) return false;
  }

  // The status line (interim 1xx answers other than 101 are passed over with their headers).
  std::optional<TStatusLine> status;
  while (true) {
    if (read == TIoStatus::Cancelled) return false;  // stopped before any answer: no answer at all
    if (read == TIoStatus::TimedOut) return headerTimedOut();
    if (read != TIoStatus::Ok && (read != TIoStatus::Closed || line.empty())) {
      ResultCode = 0;  // nothing came: an answer without a status line and without a body
      return true;
    }
    if (read == TIoStatus::Closed) broken = true;
    status = ParseStatusLine(line);
    if (!status || status->ResultCode < 100 || status->ResultCode > 199 || status->ResultCode == 101 || broken) break;
    while ((read = readHeaderLine()) == TIoStatus::Ok && !line.empty()) {
    }
    if (read == TIoStatus::TimedOut) return headerTimedOut();
    read = readFirstLine();
  }

  // Whether the connection may serve another request once the body is read whole.
  bool keepable = status && KeepAlive && Protocol == "1.1" && status->ResultCode != 101 && IsHttp11(line);
  // Returns the connection to the pool when the answer left it exactly between two answers and no
  // stop came meanwhile.
  const auto keepConnection = [&] {
    if (keepable && !CancelRequested(Cancel.Flag) && connection->Quiet()) {
      // The next request on it is another exchange.
      connection->SetCapture(nullptr);
      ConnectionPool().Put(poolKey, std::move(connection));
    }
  };

  TBodyKind bodyKind = TBodyKind::UntilClose;
  std::int64_t bodyLength = 0;
  if (status) {
    Headers.push_back(line);
    ResultCode = status->ResultCode;
    ResultString = status->ResultString;
    while (!broken) {
      const TIoStatus read = readHeaderLine();
      if (read == TIoStatus::TimedOut) return headerTimedOut();
      if (read != TIoStatus::Ok) {
        broken = true;
        if (read != TIoStatus::Closed || line.empty()) break;
      }
      Headers.push_back(line);
      if (line.empty()) break;
      if (HeaderIs(line, "LAST-MODIFIED:")) {
        LastModified = ParseHttpDate(HeaderValue(line)).value_or(0);
      } else if (HeaderIs(line, "LOCATION:")) {
        if (ResultCode >= 300 && ResultCode <= 399) Location = std::string(HeaderValue(line));
      } else if (HeaderIs(line, "CONTENT-LENGTH:")) {
        const auto length = ParseContentLength(HeaderValue(line));
        ContentLength = length.value_or(-1);
        if (length) {
          bodyKind = TBodyKind::Length;
          bodyLength = *length;
        }
      } else if (HeaderIs(line, "CONTENT-TYPE:")) {
        MimeType = std::string(HeaderValue(line));
      } else if (HeaderIs(line, "TRANSFER-ENCODING:")) {
        if (base::AsciiUppered(HeaderValue(line)).find("CHUNKED") != std::string::npos) bodyKind = TBodyKind::Chunked;
      } else if (HeaderIs(line, "CONNECTION:")) {
        if (base::AsciiUppered(HeaderValue(line)).find("CLOSE") != std::string::npos) keepable = false;
      } else if (HeaderIs(line, "SET-COOKIE:")) {
        if (auto cookie = ParseSetCookie(HeaderValue(line))) Cookies.push_back(std::move(*cookie));
      }
    }
  } else {
    // No status line: the line starts the body, and no header follows.
    ResultCode = 0;
    Document = line;
    Document += "\r\n";
  }

  if (Capture != nullptr && status) Capture->AnswerHeadEnded();
  if (broken) return true;
  if (isHead || ResultCode == 204 || ResultCode == 304) {
    keepConnection();
    return true;
  }

  // An answer without a status line has begun its body in Document already: it stays there.
  TBodyReader body(*connection, *this, BodySinkFor && status ? BodySinkFor(*this) : THttpClient::TBodySink());
  // Reads `count` bytes of body; false when fewer came.
  const auto readExactly = [&](std::uint64_t count) {
    size_t got = 0;
    while (count > 0 && body.Read(size_t(std::min<std::uint64_t>(count, kBodyStep)), got)) count -= got;
    return count == 0;
  };

  bool whole = false;  // the body ended where the answer said it ends
  bool cutByStop = false;
  // A body that ended before it was whole. A stop is no fault of the server's: nothing is to be logged.
  const auto cutShort = [&](TTransferFault fault) {
    if (CancelRequested(Cancel.Flag)) cutByStop = true;
    else body.GiveUp(fault);
  };
  switch (bodyKind) {
    case TBodyKind::Length:
      // An announced length past the cap is refused before a byte of it is read.
      if (bodyLength > body.Cap()) {
        body.GiveUp(TTransferFault::TooLarge);
      } else if (bodyLength > 0 && !readExactly(std::uint64_t(bodyLength))) {
        cutShort(TTransferFault::Truncated);
      } else {
        whole = true;
      }
      break;
    case TBodyKind::Chunked:
      while (Fault == TTransferFault::None) {
        // The size line; empty lines (the line end after each chunk's data) are passed over, within a
        // limit of their own so that a stream of them ends too.
        size_t lineBytes = 0;
        TIoStatus read;
        do {
          read = body.ReadLine(line, kMaxHeaderBlockBytes - lineBytes, lineBytes);
        } while (read == TIoStatus::Ok && line.empty());
        // Only the last (zero-size) chunk ends the body whole.
        if (read != TIoStatus::Ok) {
          cutShort(TTransferFault::UnendedChunks);
          break;
        }
        const auto size = ParseChunkSize(line);
        if (!size) break;
        if (*size == 0) {
          // The last chunk. Its trailer lines are no part of the answer; they are passed over only so
          // that the connection can serve again.
          whole = SkipTrailer(*connection, std::min(Timeout, kTrailerWait));
          break;
        }
        if (!readExactly(*size)) {
          cutShort(TTransferFault::UnendedChunks);
          break;
        }
      }
      break;
    case TBodyKind::UntilClose: {
      size_t got = 0;
      while (body.Read(kBodyStep, got)) {
      }
      break;
    }
  }
  if (Fault != TTransferFault::None || cutByStop) {
    Document = std::string();  // nothing of a body given up is kept, nor its memory
    return false;
  }
  if (whole) keepConnection();
  return true;
}

}  // namespace varnelo::network
