#pragma once

#include <openssl/ssl.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace varnelo::test {

struct TSslContextDeleter {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
using TSslContextPtr = std::unique_ptr<SSL_CTX, TSslContextDeleter>;

// A certificate authority and a server certificate made for this run only: the server certificate
// names IP:127.0.0.1, IP:::1 and DNS:localhost, and the authority's PEM file is what a client trusts
// to verify it.
class TTestCertificate {
public:
  TTestCertificate();

  const std::filesystem::path& CaFile() const { return caFile_; }
  const std::string& CaPem() const { return caPem_; }
  // A server context holding the certificate and its key.
  TSslContextPtr ServerContext() const;

private:
  TTempDir dir_;
  std::filesystem::path caFile_;
  std::string caPem_;
  std::string serverCertificatePem_;
  std::string serverKeyPem_;
};

}  // namespace varnelo::test
