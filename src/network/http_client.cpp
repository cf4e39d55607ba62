#include "network/http_client.h"

#include <algorithm>

#include "base/text.h"
#include "network/connection.h"
#include "network/host_guard.h"
#include "network/http_answer.h"
#include "network/http_date.h"
#include "network/http_request.h"
#include "network/internet_settings.h"
#include "network/tls_settings.h"
#include "network/url_parts.h"

namespace varnelo::network {
namespace {

// The largest stretch appended to the body in one step.
constexpr size_t kBodyStep = 1024 * 1024;

enum class TBodyKind { UntilClose, Length, Chunked };

// Reads the answer of a CONNECT request: its status line and header block, within the header cap.
// True on a 2xx answer.
bool ReadTunnelAnswer(TConnection& connection, int timeout) {
  size_t consumed = 0;
  std::string line;
  std::optional<TStatusLine> status;
  while (true) {
    const TIoStatus read = connection.ReadLine(line, kMaxHeaderBlockBytes - consumed, consumed, DeadlineIn(timeout));
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

}  // namespace

THttpClient::THttpClient(const std::atomic<bool>* cancel) : Cancel(cancel) {
  const TClientProxy proxy = ReadClientProxy();
  ProxyHost = proxy.Host;
  ProxyPort = proxy.Port;
  ProxyUser = proxy.User;
  ProxyPass = proxy.Pass;
  TlsVerify = ReadTlsVerify();
  ExtraCaFile = ExtraCaFileFromEnvironment();
}

void THttpClient::ClearAnswer() {
  ResultCode = 500;
  ResultString.clear();
  Location.clear();
  LastModified = 0;
  ContentLength = 0;
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
  const bool https = parts.Scheme == "https";
  const bool viaProxy = !ProxyHost.empty();
  const bool isHead = base::AsciiUppered(method) == "HEAD";

  // The loopback guard refuses before any lookup, like a refused connection.
  if (!HostAllowed(parts.Host) || (viaProxy && !HostAllowed(ProxyHost))) return false;

  TConnection connection(Cancel);
  const TDeadline connectDeadline = DeadlineIn(ConnectTimeout);
  if (viaProxy) {
    if (connection.Connect(ProxyHost, ProxyPort, connectDeadline) != TIoStatus::Ok) return false;
  } else if (connection.Connect(parts.Host, parts.Port, connectDeadline) != TIoStatus::Ok) {
    return false;
  }
  if (https) {
    if (viaProxy) {
      const std::string tunnel = BuildConnectRequest(parts.Host, parts.Port, ProxyUser, ProxyPass);
      if (connection.WriteAll(tunnel, DeadlineIn(Timeout)) != TIoStatus::Ok) return false;
      if (!ReadTunnelAnswer(connection, Timeout)) return false;
    }
    const TDeadline handshakeDeadline = DeadlineIn(std::min(Timeout, ConnectTimeout));
    if (connection.StartTls(parts.Host, TlsVerify, ExtraCaFile, handshakeDeadline) != TIoStatus::Ok) return false;
  }
  if (connection.WriteAll(request, DeadlineIn(Timeout)) != TIoStatus::Ok) return false;

  // The answer. From here on the request has succeeded: whatever arrives is the answer.
  Document.clear();
  Headers.clear();
  MimeType = "text/html";
  size_t headerBytes = 0;
  std::string line;
  bool broken = false;  // the header reading ended on an error: no body follows

  // The status line (interim 1xx answers other than 101 are passed over with their headers).
  std::optional<TStatusLine> status;
  while (true) {
    TIoStatus read;
    do {
      read = connection.ReadLine(line, kMaxHeaderBlockBytes - headerBytes, headerBytes, DeadlineIn(Timeout));
    } while (read == TIoStatus::Ok && line.empty());
    if (read == TIoStatus::Cancelled) return false;  // stopped before any answer: no answer at all
    if (read != TIoStatus::Ok && (read != TIoStatus::Closed || line.empty())) {
      ResultCode = 0;  // nothing came: an answer without a status line and without a body
      return true;
    }
    if (read == TIoStatus::Closed) broken = true;
    status = ParseStatusLine(line);
    if (!status || status->ResultCode < 100 || status->ResultCode > 199 || status->ResultCode == 101 || broken) break;
    while (connection.ReadLine(line, kMaxHeaderBlockBytes - headerBytes, headerBytes, DeadlineIn(Timeout)) ==
               TIoStatus::Ok &&
           !line.empty()) {
    }
  }

  TBodyKind bodyKind = TBodyKind::UntilClose;
  std::int64_t bodyLength = 0;
  if (status) {
    Headers.push_back(line);
    ResultCode = status->ResultCode;
    ResultString = status->ResultString;
    while (!broken) {
      const TIoStatus read =
          connection.ReadLine(line, kMaxHeaderBlockBytes - headerBytes, headerBytes, DeadlineIn(Timeout));
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

  if (broken || isHead || ResultCode == 204 || ResultCode == 304) return true;

  // Reads `count` bytes of body, or less when the stream ends or a read times out. False then.
  auto readExactly = [&](std::uint64_t count) {
    while (count > 0) {
      // Room for what is announced grows with what arrived (at most four times it), so a false length
      // costs no memory, while a true one is not copied over and over as the body grows.
      if (Document.capacity() - Document.size() < kBodyStep) {
        const std::uint64_t wanted = std::max<std::uint64_t>(Document.size() * 4, kBodyStep);
        Document.reserve(Document.size() + size_t(std::min<std::uint64_t>(count, wanted)));
      }
      const size_t before = Document.size();
      if (connection.ReadAppend(Document, size_t(std::min<std::uint64_t>(count, kBodyStep)), DeadlineIn(Timeout)) !=
          TIoStatus::Ok) {
        return false;
      }
      count -= Document.size() - before;
    }
    return true;
  };

  switch (bodyKind) {
    case TBodyKind::Length:
      if (bodyLength > 0) readExactly(std::uint64_t(bodyLength));
      break;
    case TBodyKind::Chunked:
      while (true) {
        // The size line; empty lines (the line end after each chunk's data) are passed over, within a
        // limit of their own so that a stream of them ends too.
        size_t lineBytes = 0;
        TIoStatus read;
        do {
          read = connection.ReadLine(line, kMaxHeaderBlockBytes - lineBytes, lineBytes, DeadlineIn(Timeout));
        } while (read == TIoStatus::Ok && line.empty());
        if (read != TIoStatus::Ok) break;
        const auto size = ParseChunkSize(line);
        if (!size || *size == 0) break;  // the last chunk; trailer lines are not read
        if (!readExactly(*size)) break;
      }
      break;
    case TBodyKind::UntilClose:
      while (connection.ReadAppend(Document, kBodyStep, DeadlineIn(Timeout)) == TIoStatus::Ok) {
      }
      break;
  }
  return true;
}

}  // namespace varnelo::network
