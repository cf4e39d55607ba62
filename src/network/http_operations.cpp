#include "network/http_operations.h"

#include "base/text.h"
#include "network/http_client.h"
#include "network/redirect_target.h"

namespace varnelo::network {
namespace {

constexpr int kMaxHeadRequests = 6;

// The redirect walk shared by HttpResolveChain and HttpResolveFinal. `chain` gets each URL a Location
// leads to. A redirect off the web fails like a failed request.
enum class TWalkEnd { Failed, TooManyRedirects, Success, OtherStatus };

TWalkEnd WalkRedirects(std::string& url, std::vector<std::string>* chain, std::string& mimeType,
                       std::int64_t& contentLength, TCancel cancel) {
  for (int request = 0; request < kMaxHeadRequests; ++request) {
    THttpClient client(cancel);
    if (!client.HttpMethod("HEAD", url)) return TWalkEnd::Failed;
    const int code = client.ResultCode;
    if (code >= 300 && code <= 399) {
      std::optional<std::string> target = RedirectTarget(url, client.Location);
      if (!target) return TWalkEnd::Failed;
      url = std::move(*target);
      if (chain != nullptr) chain->push_back(url);
      continue;
    }
    if (code >= 200 && code <= 299) {
      contentLength = client.ContentLength;
      mimeType = client.MimeType;
      return TWalkEnd::Success;
    }
    return TWalkEnd::OtherStatus;
  }
  return TWalkEnd::TooManyRedirects;
}

std::string FaultLineOf(const THttpClient& client, std::string_view url) {
  return TransferFaultLine(client.Fault, url, client.FaultLimit);
}

THttpDocument GetDocument(THttpClient& client, const std::string& url) {
  THttpDocument result;
  result.Success = client.HttpMethod("GET", url);
  result.FaultLine = FaultLineOf(client, url);
  result.Body = std::move(client.Document);
  result.ResultCode = client.ResultCode;
  result.MimeType = client.MimeType;
  return result;
}

}  // namespace

THttpDocument HttpGetDocument(const std::string& url, TCancel cancel) {
  THttpClient client(cancel);
  return GetDocument(client, url);
}

THttpDocument HttpGetDocument(const std::string& url, TCancel cancel,
                              const std::function<THttpClient::TBodySink(const THttpClient&)>& sinkFor,
                              std::int64_t maxStreamed) {
  THttpClient client(cancel);
  client.BodySinkFor = sinkFor;
  client.MaxStreamedBody = maxStreamed;
  return GetDocument(client, url);
}

bool HttpGetLines(const std::string& url, std::vector<std::string>& lines, TCancel cancel, std::string* faultLine,
                  TLinesSource* source) {
  lines.clear();
  THttpClient client(cancel);
  bool success = client.HttpMethod("GET", url);
  std::string body = std::move(client.Document);
  std::string fault = FaultLineOf(client, url);
  TLinesSource from{url, client.ResultCode};
  if (success && (client.ResultCode == 302 || client.ResultCode == 303)) {
    const std::optional<std::string> target = RedirectTarget(url, client.Location);
    body.clear();
    success = false;
    fault.clear();
    from = TLinesSource{target.value_or(""), 0};
    if (target) {
      THttpClient second(cancel);
      success = second.HttpMethod("GET", *target);
      body = std::move(second.Document);
      fault = FaultLineOf(second, *target);
      from.ResultCode = second.ResultCode;
    }
  }
  if (success) lines = base::SplitLines(body);
  if (faultLine != nullptr) *faultLine = std::move(fault);
  if (!success) from.ResultCode = 0;
  if (source != nullptr) *source = std::move(from);
  return success;
}

bool HttpResolveChain(std::vector<TUrlChainEntry>& list, std::string& url, std::string& mimeType,
                      std::int64_t& contentLength, TCancel cancel) {
  std::vector<std::string> chain{url};
  const TWalkEnd end = WalkRedirects(url, &chain, mimeType, contentLength, cancel);
  if (end == TWalkEnd::Failed || end == TWalkEnd::TooManyRedirects) return false;
  for (std::string& link : chain) list.push_back(TUrlChainEntry{std::move(link), TUrlDesc{url, mimeType}});
  return end == TWalkEnd::Success;
}

bool HttpResolveFinal(std::string& url, std::int64_t& contentLength, std::string& mimeType,
                      TCancel cancel) {
  return WalkRedirects(url, nullptr, mimeType, contentLength, cancel) == TWalkEnd::Success;
}

void HttpHeadOnce(const std::string& url, std::string& mimeType, std::int64_t& contentLength, std::string& urlToUse,
                  TCancel cancel) {
  THttpClient client(cancel);
  if (!client.HttpMethod("HEAD", url)) return;
  const int code = client.ResultCode;
  if (code >= 300 && code <= 399) {
    if (std::optional<std::string> target = RedirectTarget(url, client.Location)) urlToUse = std::move(*target);
  } else if (code < 400) {
    mimeType = client.MimeType;
    contentLength = client.ContentLength;
    urlToUse = url;
  }
}

}  // namespace varnelo::network
