#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace varnelo::network {

// The shared TLS client context for one choice of checks: verifying against the system store plus
// `extraCaFile` (when not empty), or not verifying. Contexts are made once and shared by every
// connection (loading the system store per request would cost more than the request); a CA file
// whose size or time changed gets a new context. Null when OpenSSL cannot make one.
std::shared_ptr<SSL_CTX> AcquireTlsContext(bool verify, const std::string& extraCaFile);

}  // namespace varnelo::network
