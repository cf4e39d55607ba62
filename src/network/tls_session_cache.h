#pragma once

#include <openssl/ssl.h>

#include <string>

namespace varnelo::network {

// Client-side TLS session resumption. Sessions are kept per key (host, port and the choice of
// certificate checks), so a session is only offered to the host it was made with, under the same
// checks; TLS 1.3 tickets arrive after the handshake and are taken as they come.

// Makes `context` hand its new client sessions to the cache instead of keeping them itself.
void EnableSessionCache(SSL_CTX* context);

// Before the handshake: offers the session last kept for `key`, if any, and tags `ssl` with the key
// so that the sessions it receives are kept under it.
void PrepareSessionResumption(SSL* ssl, const std::string& key);

// Drops every kept session (tests start from none).
void ClearSessionCache();

}  // namespace varnelo::network
