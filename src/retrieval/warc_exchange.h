#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "network/http_client.h"
#include "network/transfer_capture.h"
#include "platform/unique_fd.h"
#include "retrieval/warc_file.h"
#include "retrieval/warc_record.h"

namespace varnelo::retrieval {

// The bytes of one HTTP exchange on their way into a WARC file. The answer goes to a nameless
// temporary file as it arrives, so a body is never held a second time in memory; the digests are
// taken on the way.
class TWarcExchange : public network::TTransferCapture {
public:
  // The temporary file is made in `spoolDirectory` (the WARC file's own), and is gone with the object.
  explicit TWarcExchange(const std::filesystem::path& spoolDirectory);

  void RequestSent(std::string_view bytes) override;
  void AnswerReceived(std::string_view bytes) override;
  void RequestVoided() override { request_.clear(); }
  void AnswerHeadEnded() override;

  // Appends the exchange with `url` to `file` once `client` has read the answer (`success` is what its
  // request gave): a request record and, linked to it, a response record, or for a 304 a revisit
  // record. An answer given up or cut by a stop is kept as far as it came, marked truncated. Nothing
  // is written when no answer came or the temporary file failed. False when records were due and
  // could not be written.
  bool Record(TWarcFile& file, std::string_view url, const network::THttpClient& client, bool success);

private:
  platform::TUniqueFd spool_;
  bool spoolFailed_ = false;
  std::uint64_t received_ = 0;
  std::time_t sentAt_ = 0;
  std::string request_;
  bool inBody_ = false;
  TWarcDigest block_;
  TWarcDigest payload_;
};

}  // namespace varnelo::retrieval
