#include "retrieval/warc_record.h"

#include <openssl/rand.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace varnelo::retrieval {

std::string Base32(std::string_view bytes) {
  static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string text;
  std::uint32_t buffer = 0;
  int bits = 0;
  for (const char c : bytes) {
    buffer = (buffer << 8) | static_cast<unsigned char>(c);
    bits += 8;
    while (bits >= 5) {
      text += kAlphabet[(buffer >> (bits - 5)) & 31];
      bits -= 5;
    }
  }
  if (bits > 0) text += kAlphabet[(buffer << (5 - bits)) & 31];
  while (text.size() % 8 != 0) text += '=';
  return text;
}

TWarcDigest::TWarcDigest() : context_(EVP_MD_CTX_new()) {
  if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha1(), nullptr) != 1) {
    throw std::runtime_error("SHA-1 unavailable");
  }
}

void TWarcDigest::Add(std::string_view bytes) { EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()); }

std::string TWarcDigest::Text() const {
  // A copy, so that the digest can be read while more bytes may still come.
  std::unique_ptr<EVP_MD_CTX, TFree> copy(EVP_MD_CTX_new());
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (!copy || EVP_MD_CTX_copy_ex(copy.get(), context_.get()) != 1 ||
      EVP_DigestFinal_ex(copy.get(), digest.data(), &size) != 1) {
    throw std::runtime_error("SHA-1 unavailable");
  }
  return "sha1:" + Base32(std::string_view(reinterpret_cast<const char*>(digest.data()), size));
}

std::string WarcDigestOf(std::string_view bytes) {
  TWarcDigest digest;
  digest.Add(bytes);
  return digest.Text();
}

std::string WarcDate(std::time_t time) {
  std::tm parts{};
  gmtime_r(&time, &parts);
  std::array<char, 32> text{};
  const size_t size = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &parts);
  return std::string(text.data(), size);
}

std::string NewWarcRecordId() {
  std::array<unsigned char, 16> bytes{};
  if (RAND_bytes(bytes.data(), int(bytes.size())) != 1) throw std::runtime_error("no random bytes");
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0f) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
  static constexpr std::string_view kHex = "0123456789abcdef";
  std::string id = "<urn:uuid:";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += kHex[bytes[i] >> 4];
    id += kHex[bytes[i] & 15];
  }
  return id + ">";
}

std::string WarcHeaderBlock(std::string_view type, const TWarcFields& fields, std::uint64_t contentLength) {
  std::string block = "WARC/1.1\r\nWARC-Type: ";
  block += type;
  block += "\r\n";
  for (const auto& [name, value] : fields) {
    // A field never spans lines, whatever a URL or a robot name holds.
    std::string clean = value;
    for (char& c : clean) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    block += name + ": " + clean + "\r\n";
  }
  block += "Content-Length: " + std::to_string(contentLength) + "\r\n\r\n";
  return block;
}

}  // namespace varnelo::retrieval
