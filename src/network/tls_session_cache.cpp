#include "network/tls_session_cache.h"

#include <map>
#include <memory>
#include <mutex>

namespace varnelo::network {
namespace {

// Bounds the memory held by the sessions of a long crawl over many hosts.
constexpr size_t kMaxSessions = 256;

struct TSessionFree {
  void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
};
using TSessionPtr = std::unique_ptr<SSL_SESSION, TSessionFree>;

class TSessionCache {
public:
  // OpenSSL is set up first, so that its own clean-up at exit runs after this cache is gone.
  TSessionCache() { OPENSSL_init_ssl(0, nullptr); }

  void Keep(const std::string& key, SSL_SESSION* session) {
    const std::lock_guard lock(mutex_);
    if (sessions_.size() >= kMaxSessions && !sessions_.contains(key)) sessions_.erase(sessions_.begin());
    sessions_[key] = TSessionPtr(session);
  }

  // A new reference to the session kept for `key`, or null.
  TSessionPtr Find(const std::string& key) {
    const std::lock_guard lock(mutex_);
    const auto found = sessions_.find(key);
    if (found == sessions_.end()) return nullptr;
    SSL_SESSION_up_ref(found->second.get());
    return TSessionPtr(found->second.get());
  }

  void Clear() {
    const std::lock_guard lock(mutex_);
    sessions_.clear();
  }

private:
  std::mutex mutex_;
  std::map<std::string, TSessionPtr> sessions_;
};

TSessionCache& Cache() {
  static TSessionCache cache;
  return cache;
}

void FreeKey(void*, void* key, CRYPTO_EX_DATA*, int, long, void*) { delete static_cast<std::string*>(key); }

int KeyIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, FreeKey);
  return index;
}

int OnNewSession(SSL* ssl, SSL_SESSION* session) {
  const auto* key = static_cast<const std::string*>(SSL_get_ex_data(ssl, KeyIndex()));
  if (key == nullptr || SSL_SESSION_is_resumable(session) != 1) return 0;
  Cache().Keep(*key, session);
  return 1;  // the cache owns the reference now
}

}  // namespace

void EnableSessionCache(SSL_CTX* context) {
  SSL_CTX_set_session_cache_mode(context, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
  SSL_CTX_sess_set_new_cb(context, OnNewSession);
}

void PrepareSessionResumption(SSL* ssl, const std::string& key) {
  auto tag = std::make_unique<std::string>(key);
  if (SSL_set_ex_data(ssl, KeyIndex(), tag.get()) != 1) return;
  tag.release();  // freed with `ssl`
  if (const TSessionPtr session = Cache().Find(key)) SSL_set_session(ssl, session.get());
}

void ClearSessionCache() { Cache().Clear(); }

}  // namespace varnelo::network
