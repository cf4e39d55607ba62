#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

#include "network/io_status.h"
#include "platform/unique_fd.h"

namespace varnelo::network {

// One non-blocking TCP connection; every wait honours a deadline and the cancellation flag.
class TTcpSocket {
public:
  TTcpSocket() = default;

  // Looks `host` up and connects to its addresses in turn until one answers, all within `deadline`.
  TIoStatus Connect(const std::string& host, const std::string& port, TDeadline deadline,
                    const std::atomic<bool>* cancel);

  // Reads what is there (at most `size` bytes), waiting for some until the deadline. `received` is
  // set on Ok; Closed at the end of the stream.
  TIoStatus Read(char* data, size_t size, size_t& received, TDeadline deadline, const std::atomic<bool>* cancel);
  TIoStatus WriteAll(std::string_view data, TDeadline deadline, const std::atomic<bool>* cancel);

  int Fd() const { return fd_.Get(); }
  bool Connected() const { return fd_.Valid(); }
  void Close() { fd_.Reset(); }

private:
  platform::TUniqueFd fd_;
};

}  // namespace varnelo::network
