#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"
#include "support/stop_signal.h"

namespace varnelo::test {

// Listens on a loopback address (127.0.0.1, another of 127.0.0.0/8, or ::1) on a free port and runs `handler` for each
// accepted connection on a thread of its own. The destructor stops every wait of the handlers, then joins all threads.
class TLoopbackListener {
public:
  using THandler = std::function<void(platform::TUniqueFd socket, const TStopSignal& stop)>;

  TLoopbackListener(const std::string& address, THandler handler);
  TLoopbackListener(const TLoopbackListener&) = delete;
  TLoopbackListener& operator=(const TLoopbackListener&) = delete;
  ~TLoopbackListener();

  int Port() const { return port_; }
  // The address as it stands in a URL: "127.0.0.1", "[::1]".
  std::string Host() const;
  // Host, ":" and port.
  std::string Authority() const;

private:
  struct TConnection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void AcceptLoop();
  void JoinFinished();

  std::string address_;
  THandler handler_;
  TStopSignal stop_;
  int port_ = 0;  // before socket_, whose initialisation sets it
  platform::TUniqueFd socket_;
  std::mutex mutex_;
  std::vector<TConnection> connections_;
  std::thread acceptThread_;
};

}  // namespace varnelo::test
