#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "network/cancel.h"
#include "network/http_client.h"
#include "retrieval/warc_file.h"

namespace varnelo::retrieval {

// What the conditional fetch of a crawled page gives.
struct TFetchedPage {
  bool Success = false;
  std::string Body;
  std::string StorePath;       // where the page store keeps this page
  std::time_t LastModified = 0;  // the server's Last-Modified of a 2xx answer; 0 otherwise
  int ResultCode = 0;
  std::string MimeType;
  std::string FaultLine;  // the log line when the answer was given up (too large, short, slow); else ""
  bool Stored = false;    // the body went straight to the page store, not into Body
  // The file that holds the body instead of Body: the page store's file when Stored, the stored copy
  // of a 304 that is not HTML when other documents are stored; else empty.
  std::filesystem::path BodyFile;
};

// GETs `url` (redirects are not followed) asking the server, when the page store of site `site`
// holds a copy, whether it changed since that copy's time. A 304 gives the stored copy as the body, a
// 2xx the answer's body, any other status below 400 an empty body; 400 and above is a failure.
// A 304 that names no type keeps the copy's type: `knownType` (what the crawl learnt of the URL),
// else the type of the stored file's extension, else the client's default. A body past `maxBytes`
// is a failure, and so is one shorter than its length. With `storeOtherDocuments`, the body of a 2xx
// answer that is not HTML streams to its file in the page store (as SaveStreamToStore would write
// it, Stored set), and a 304 that is not HTML leaves its stored copy where it is (BodyFile) instead
// of reading it; any other body is held, never past the client's held cap. `cancel` (the crawl's
// termination request, may be null, and its gate) ends the transfer within a second. With `warc`, the
// exchange's exact bytes are appended to that WARC file.
TFetchedPage FetchPage(const std::filesystem::path& home, std::string_view url, std::string_view site,
                       std::string_view knownType = {}, std::int64_t maxBytes = network::THttpClient::kMaxHeldBodyBytes,
                       bool storeOtherDocuments = false, network::TCancel cancel = {}, TWarcFile* warc = nullptr);

}  // namespace varnelo::retrieval
