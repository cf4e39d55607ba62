#include "network/connection_pool.h"

#include <openssl/ssl.h>

#include <algorithm>

namespace varnelo::network {

TConnectionPool::TConnectionPool() {
  // OpenSSL is set up first, so that its own clean-up at exit runs after the kept TLS connections
  // are closed.
  OPENSSL_init_ssl(0, nullptr);
  reaper_ = std::jthread([this](std::stop_token stop) { Reap(stop); });
}

TConnectionPool::~TConnectionPool() {
  reaper_.request_stop();
  reaper_.join();
}

std::unique_ptr<TConnection> TConnectionPool::Take(const TPoolKey& key, TCancel cancel) {
  while (true) {
    std::unique_ptr<TConnection> connection;
    {
      const std::lock_guard lock(mutex_);
      const auto found = std::find_if(idle_.rbegin(), idle_.rend(), [&](const TIdle& idle) { return idle.key == key; });
      if (found == idle_.rend()) return nullptr;
      connection = std::move(found->connection);
      idle_.erase(std::next(found).base());
    }
    // A connection the server closed meanwhile (or that has bytes nobody asked for) is closed here.
    if (connection->Quiet()) {
      connection->Rebind(cancel);
      return connection;
    }
  }
}

void TConnectionPool::Put(const TPoolKey& key, std::unique_ptr<TConnection> connection) {
  std::vector<std::unique_ptr<TConnection>> evicted;  // closed after the lock is released
  {
    const std::lock_guard lock(mutex_);
    idle_.push_back({key, std::move(connection), TClock::now()});
    const auto sameKey = [&](const TIdle& idle) { return idle.key == key; };
    if (size_t(std::count_if(idle_.begin(), idle_.end(), sameKey)) > kMaxPerKey) {
      const auto oldest = std::find_if(idle_.begin(), idle_.end(), sameKey);
      evicted.push_back(std::move(oldest->connection));
      idle_.erase(oldest);
    }
    if (idle_.size() > kMaxTotal) {
      evicted.push_back(std::move(idle_.front().connection));
      idle_.erase(idle_.begin());
    }
  }
  changed_.notify_all();
}

size_t TConnectionPool::IdleCount() const {
  const std::lock_guard lock(mutex_);
  return idle_.size();
}

void TConnectionPool::Clear() {
  std::vector<TIdle> all;
  {
    const std::lock_guard lock(mutex_);
    all.swap(idle_);
  }
}

void TConnectionPool::Reap(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (!stop.stop_requested()) {
    if (idle_.empty()) {
      changed_.wait(lock, stop, [&] { return !idle_.empty(); });
      continue;
    }
    const TClock::time_point expiry = idle_.front().since + kIdleLimit;
    if (TClock::now() < expiry) {
      changed_.wait_until(lock, stop, expiry, [] { return false; });
      continue;
    }
    std::vector<TIdle> expired;
    const auto firstKept = std::find_if(idle_.begin(), idle_.end(), [&](const TIdle& idle) {
      return idle.since + kIdleLimit > TClock::now();
    });
    std::move(idle_.begin(), firstKept, std::back_inserter(expired));
    idle_.erase(idle_.begin(), firstKept);
    lock.unlock();
    expired.clear();  // closing may write a TLS close_notify: not under the lock
    lock.lock();
  }
}

TConnectionPool& ConnectionPool() {
  static TConnectionPool pool;
  return pool;
}

}  // namespace varnelo::network
