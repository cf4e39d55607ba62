#include "retrieval/warc_exchange.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace varnelo::retrieval {
namespace {

constexpr std::string_view kProfileNotModified = "http://netpreserve.org/warc/1.1/revisit/server-not-modified";

platform::TUniqueFd OpenSpool(const std::filesystem::path& directory) {
  std::string name = (directory / ".warc-spool-XXXXXX").string();
  platform::TUniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Valid()) ::unlink(name.c_str());
  return fd;
}

std::string_view Truncation(const network::THttpClient& client) {
  switch (client.Fault) {
    case network::TTransferFault::TooLarge:
      return "length";
    case network::TTransferFault::TooSlow:
    case network::TTransferFault::HeaderTimeout:
      return "time";
    default:
      return "unspecified";
  }
}

}  // namespace

TWarcExchange::TWarcExchange(const std::filesystem::path& spoolDirectory) : spool_(OpenSpool(spoolDirectory)) {
  spoolFailed_ = !spool_.Valid();
}

void TWarcExchange::RequestSent(std::string_view bytes) {
  if (request_.empty()) sentAt_ = std::time(nullptr);
  request_ += bytes;
}

void TWarcExchange::AnswerReceived(std::string_view bytes) {
  block_.Add(bytes);
  if (inBody_) payload_.Add(bytes);
  received_ += bytes.size();
  while (!spoolFailed_ && !bytes.empty()) {
    const ssize_t written = ::write(spool_.Get(), bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) spoolFailed_ = true;
    else bytes.remove_prefix(size_t(written));
  }
}

void TWarcExchange::AnswerHeadEnded() { inBody_ = true; }

bool TWarcExchange::Record(TWarcFile& file, std::string_view url, const network::THttpClient& client,
                           bool success) {
  if (request_.empty() || received_ == 0 || spoolFailed_) return true;
  const std::string date = WarcDate(sentAt_);
  const std::string answerId = NewWarcRecordId();
  const std::string target(url);

  TWarcRecord answer;
  answer.Spool = spool_.Get();
  answer.SpoolSize = received_;
  answer.Fields = {{"WARC-Record-ID", answerId},
                   {"WARC-Date", date},
                   {"WARC-Target-URI", target},
                   {"WARC-Warcinfo-ID", file.InfoId()},
                   {"Content-Type", "application/http;msgtype=response"},
                   {"WARC-Block-Digest", block_.Text()}};
  if (client.ResultCode == 304) {
    answer.Type = "revisit";
    answer.Fields.emplace_back("WARC-Profile", kProfileNotModified);
    answer.Fields.emplace_back("WARC-Refers-To-Target-URI", target);
  } else {
    answer.Type = "response";
    // Without a status line nothing told the head from the body: the whole answer is its payload.
    answer.Fields.emplace_back("WARC-Payload-Digest", inBody_ ? payload_.Text() : block_.Text());
    if (!success) answer.Fields.emplace_back("WARC-Truncated", Truncation(client));
  }

  TWarcRecord request;
  request.Type = "request";
  const size_t headEnd = request_.find("\r\n\r\n");
  const std::string_view requestBody =
      headEnd == std::string::npos ? std::string_view() : std::string_view(request_).substr(headEnd + 4);
  request.Fields = {{"WARC-Record-ID", NewWarcRecordId()},
                    {"WARC-Date", date},
                    {"WARC-Target-URI", target},
                    {"WARC-Warcinfo-ID", file.InfoId()},
                    {"WARC-Concurrent-To", answerId},
                    {"Content-Type", "application/http;msgtype=request"},
                    {"WARC-Block-Digest", WarcDigestOf(request_)},
                    {"WARC-Payload-Digest", WarcDigestOf(requestBody)}};
  request.Held = request_;
  return file.Append({request, answer});
}

}  // namespace varnelo::retrieval
