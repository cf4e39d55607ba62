#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "network/cancel.h"
#include "network/http_client.h"

namespace varnelo::network {

// The transfers the robots make, built on THttpClient. Each creates and frees its own client(s); none
// raises an error for a network failure. Each throws EProxySettingsError when the system proxy
// settings cannot be used (no client can be created). `cancel` is the calling robot's
// termination request (its flag may be null): a cancelled operation ends within its grace and a
// tenth of a second, as a failure when no answer was read yet.

// The record that the redirect-chain operation attaches to each URL of a chain.
struct TUrlDesc {
  std::string FinalUrl;  // the URL reached at the end of the chain
  std::string MimeType;  // the MimeType of the final answer
};

// One (URL, descriptor) entry that HttpResolveChain appends; the caller owns it.
struct TUrlChainEntry {
  std::string Url;
  TUrlDesc Desc;
};

struct THttpDocument {
  bool Success = false;  // connection made, request sent, answer read whole (any status)
  std::string FaultLine;  // the log line when the answer was given up (see THttpClient::Fault); else ""
  std::string Body;
  int ResultCode = 500;
  std::string MimeType = "text/html";
};

// GET `url`. The body is held up to THttpClient::kMaxHeldBodyBytes.
THttpDocument HttpGetDocument(const std::string& url, TCancel cancel = {});

// GET `url`; once the header block is read, `sinkFor` may give a sink that takes the body instead
// of Body (no cap on it beyond `maxStreamed`).
THttpDocument HttpGetDocument(const std::string& url, TCancel cancel,
                              const std::function<THttpClient::TBodySink(const THttpClient&)>& sinkFor,
                              std::int64_t maxStreamed);

// GET `url`; `lines` is emptied, then on success filled with the body cut into lines (CR LF, LF or CR).
// On 302 or 303, one more GET with a fresh client to the first answer's Location gives the lines and
// the result. Only one such step. A body given up (past the held cap, shorter than its length, too
// slow) is a failure; `faultLine`, when given, then receives its log line. `source`, when given,
// receives where the lines came from.
struct TLinesSource {
  std::string Url;     // the URL of the answer that gave the lines, after the redirect step
  int ResultCode = 0;  // its status; 0 when the GET failed
};
bool HttpGetLines(const std::string& url, std::vector<std::string>& lines,
                  TCancel cancel = {}, std::string* faultLine = nullptr, TLinesSource* source = nullptr);

// Follows redirects with at most six HEAD requests from `url`, which is updated in place to each
// Location (unchanged, not resolved). On a 2xx answer sets `mimeType` and `contentLength` and returns
// true; fails on a failed request, any other status, or six redirects. On 2xx or another final status
// (not on a failed request or six redirects) appends each URL of the chain, the asked URL first, with
// a descriptor holding the URL reached and `mimeType` (as it was, on failure).
bool HttpResolveChain(std::vector<TUrlChainEntry>& list, std::string& url, std::string& mimeType,
                      std::int64_t& contentLength, TCancel cancel = {});

// The same walk without the list: `url` is updated in place to each Location; true only on a 2xx
// answer, which sets `contentLength` and `mimeType`.
bool HttpResolveFinal(std::string& url, std::int64_t& contentLength, std::string& mimeType,
                      TCancel cancel = {});

// One HEAD, following nothing. Failed request or status >= 400: nothing is set. 300..399: `urlToUse`
// = the Location. Below 400 otherwise: `mimeType`, `contentLength` set, `urlToUse` = `url`.
void HttpHeadOnce(const std::string& url, std::string& mimeType, std::int64_t& contentLength,
                  std::string& urlToUse, TCancel cancel = {});

}  // namespace varnelo::network
