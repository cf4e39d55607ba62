#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "network/cancel.h"
#include "network/connection.h"

namespace varnelo::network {

// What a kept connection may be reused for: the same target reached the same way, under the same
// certificate checks.
struct TPoolKey {
  std::string Scheme;
  std::string Host;
  std::string Port;
  std::string ProxyHost;
  std::string ProxyPort;
  std::string ProxyUser;
  std::string ProxyPass;
  bool TlsVerify = true;
  std::string ExtraCaFile;
  auto operator<=>(const TPoolKey&) const = default;
};

// Connections left between two answers, kept for the next request to the same key. A connection is
// held by one request at a time: Take hands it over whole and Put takes it back. Bounded per key and
// in total (the oldest goes first); a connection idle for longer than kIdleLimit is closed.
class TConnectionPool {
public:
  static constexpr size_t kMaxPerKey = 6;
  static constexpr size_t kMaxTotal = 32;
  static constexpr std::chrono::seconds kIdleLimit{4};

  TConnectionPool();
  TConnectionPool(const TConnectionPool&) = delete;
  TConnectionPool& operator=(const TConnectionPool&) = delete;
  ~TConnectionPool();

  // The most recently kept connection for `key` that is still quiet (see TConnection::Quiet), bound to
  // `cancel`; null when there is none.
  std::unique_ptr<TConnection> Take(const TPoolKey& key, TCancel cancel);
  void Put(const TPoolKey& key, std::unique_ptr<TConnection> connection);

  size_t IdleCount() const;
  // Closes every kept connection.
  void Clear();

private:
  using TClock = std::chrono::steady_clock;
  struct TIdle {
    TPoolKey key;
    std::unique_ptr<TConnection> connection;
    TClock::time_point since;
  };

  // Closes what outlived kIdleLimit, until the pool is destroyed.
  void Reap(std::stop_token stop);

  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<TIdle> idle_;  // oldest first
  std::jthread reaper_;
};

// The pool shared by every client of the process.
TConnectionPool& ConnectionPool();

}  // namespace varnelo::network
