#include "network/tls_context.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <tuple>

#include "network/tls_session_cache.h"

namespace varnelo::network {
namespace {

struct TContextKey {
  bool verify;
  std::string caFile;
  long long caSize;
  long long caTime;
  auto operator<=>(const TContextKey&) const = default;
};

std::shared_ptr<SSL_CTX> MakeContext(bool verify, const std::string& extraCaFile) {
  std::shared_ptr<SSL_CTX> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
  if (!context) return nullptr;
  SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
  // Many servers close without close_notify; a body read until the close must end cleanly then.
  SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
  SSL_CTX_set_mode(context.get(), SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  EnableSessionCache(context.get());
  if (verify) {
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context.get());
    if (!extraCaFile.empty()) SSL_CTX_load_verify_locations(context.get(), extraCaFile.c_str(), nullptr);
  } else {
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_NONE, nullptr);
  }
  return context;
}

}  // namespace

std::shared_ptr<SSL_CTX> AcquireTlsContext(bool verify, const std::string& extraCaFile) {
  static std::mutex mutex;
  static std::map<TContextKey, std::shared_ptr<SSL_CTX>> contexts;
  TContextKey key{verify, verify ? extraCaFile : std::string(), 0, 0};
  if (!key.caFile.empty()) {
    struct stat info {};
    if (::stat(key.caFile.c_str(), &info) == 0) {
      key.caSize = info.st_size;
      key.caTime = (long long)info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    }
  }
  const std::lock_guard lock(mutex);
  auto& context = contexts[key];
  if (!context) context = MakeContext(verify, key.caFile);
  return context;
}

}  // namespace varnelo::network
