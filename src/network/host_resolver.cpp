#include "network/host_resolver.h"

#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace varnelo::network {
namespace {

struct TAddrInfoFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using TAddrInfoList = std::unique_ptr<addrinfo, TAddrInfoFree>;

// One lookup shared by the waiting caller and the thread that runs it; whoever leaves last frees it.
struct TLookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  int code = 0;
  TAddrInfoList result;
};

void CopyAddresses(const addrinfo* list, std::vector<TResolvedAddress>& addresses) {
  for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
    TResolvedAddress address;
    std::memcpy(&address.Address, entry->ai_addr, entry->ai_addrlen);
    address.Length = entry->ai_addrlen;
    address.Family = entry->ai_family;
    addresses.push_back(address);
  }
}

}  // namespace

TIoStatus ResolveHost(const std::string& host, const std::string& port, int socketType, TDeadline deadline,
                      const std::atomic<bool>* cancel, std::vector<TResolvedAddress>& addresses) {
  addresses.clear();
  if (CancelRequested(cancel)) return TIoStatus::Cancelled;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = socketType;
  hints.ai_flags = AI_NUMERICSERV;
  const char* service = port.empty() ? nullptr : port.c_str();

  // A numeric address needs no lookup (and no thread).
  addrinfo numericHints = hints;
  numericHints.ai_flags |= AI_NUMERICHOST;
  addrinfo* numeric = nullptr;
  if (::getaddrinfo(host.c_str(), service, &numericHints, &numeric) == 0) {
    const TAddrInfoList list(numeric);
    CopyAddresses(list.get(), addresses);
    return addresses.empty() ? TIoStatus::Failed : TIoStatus::Ok;
  }
  if (host.empty()) return TIoStatus::Failed;

  auto lookup = std::make_shared<TLookup>();
  try {
    std::thread([lookup, host, port, hints] {
      addrinfo* result = nullptr;
      const int code = ::getaddrinfo(host.c_str(), port.empty() ? nullptr : port.c_str(), &hints, &result);
      const std::lock_guard lock(lookup->mutex);
      lookup->code = code;
      lookup->result.reset(result);
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return TIoStatus::Failed;
  }

  std::unique_lock lock(lookup->mutex);
  while (!lookup->finished) {
    if (CancelRequested(cancel)) return TIoStatus::Cancelled;
    const auto now = TClock::now();
    if (now >= deadline) return TIoStatus::TimedOut;
    lookup->done.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(100)));
  }
  if (lookup->code != 0) return TIoStatus::Failed;
  CopyAddresses(lookup->result.get(), addresses);
  return addresses.empty() ? TIoStatus::Failed : TIoStatus::Ok;
}

}  // namespace varnelo::network
