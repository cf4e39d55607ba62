#pragma once

#include <openssl/evp.h>

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnelo::retrieval {

// The header fields of one WARC record besides WARC-Type and Content-Length, in the order written.
using TWarcFields = std::vector<std::pair<std::string, std::string>>;

// RFC 4648 base32 (upper case, padded), the form archives give SHA-1 digests in.
std::string Base32(std::string_view bytes);

// A SHA-1 fed stretch by stretch, given as "sha1:" and the base32 of the digest.
class TWarcDigest {
public:
  TWarcDigest();
  void Add(std::string_view bytes);
  std::string Text() const;

private:
  struct TFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };
  std::unique_ptr<EVP_MD_CTX, TFree> context_;
};

std::string WarcDigestOf(std::string_view bytes);

// `time` in UTC as ISO 8601 to the second ("2026-12-11T01:33:59Z").
std::string WarcDate(std::time_t time);

// A fresh "<urn:uuid:...>" of a random (version 4) UUID.
std::string NewWarcRecordId();

// The record's header block: version line, WARC-Type, the fields, Content-Length, and the empty line.
std::string WarcHeaderBlock(std::string_view type, const TWarcFields& fields, std::uint64_t contentLength);

}  // namespace varnelo::retrieval
