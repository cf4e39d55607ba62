#include "network/ping_host.h"

#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "network/host_guard.h"
#include "network/host_resolver.h"
#include "platform/unique_fd.h"

namespace varnelo::network {
namespace {

constexpr size_t kPayloadSize = 32;
constexpr size_t kEchoHeaderSize = 8;  // type, code, checksum, identifier, sequence

std::atomic<std::uint16_t> nextSequence{1};

std::uint16_t Checksum(const unsigned char* data, size_t size) {
  std::uint32_t sum = 0;
  for (size_t i = 0; i + 1 < size; i += 2) sum += std::uint32_t(data[i]) << 8 | data[i + 1];
  if (size % 2 != 0) sum += std::uint32_t(data[size - 1]) << 8;
  while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
  return std::uint16_t(~sum);
}

std::uint16_t Read16(const unsigned char* data) { return std::uint16_t(data[0] << 8 | data[1]); }

// The ICMP socket for `family`: an unprivileged datagram socket, else a raw one, else none.
platform::TUniqueFd OpenIcmpSocket(int family, bool& raw) {
  const int protocol = family == AF_INET6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
  platform::TUniqueFd fd(::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol));
  raw = false;
  if (fd.Valid()) return fd;
  fd.Reset(::socket(family, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol));
  raw = fd.Valid();
  return fd;
}

enum class TReplyKind { NotOurs, Reply, Error };

// Classifies one received ICMP message (without an IPv4 header) against our identifier and sequence.
// A datagram socket's identifier is set by the kernel, which only hands it its own replies.
TReplyKind Classify(const unsigned char* message, size_t size, bool v6, bool checkId, std::uint16_t id,
                    std::uint16_t sequence) {
  if (size < kEchoHeaderSize) return TReplyKind::NotOurs;
  const unsigned type = message[0];
  const unsigned replyType = v6 ? unsigned(ICMP6_ECHO_REPLY) : unsigned(ICMP_ECHOREPLY);
  if (type == replyType) {
    if (Read16(message + 6) != sequence) return TReplyKind::NotOurs;
    if (checkId && Read16(message + 4) != id) return TReplyKind::NotOurs;
    return TReplyKind::Reply;
  }
  const bool error = v6 ? (type == ICMP6_DST_UNREACH || type == ICMP6_TIME_EXCEEDED || type == ICMP6_PARAM_PROB)
                        : (type == ICMP_DEST_UNREACH || type == ICMP_TIME_EXCEEDED || type == ICMP_PARAMETERPROB);
  if (!error) return TReplyKind::NotOurs;
  // The error quotes our request after its own 8-byte header: the IP header, then the echo header.
  const unsigned char* quoted = message + kEchoHeaderSize;
  size_t quotedSize = size - kEchoHeaderSize;
  size_t ipHeader = 40;
  if (!v6) {
    if (quotedSize < 20) return TReplyKind::NotOurs;
    ipHeader = size_t(quoted[0] & 0x0f) * 4;
  }
  if (quotedSize < ipHeader + kEchoHeaderSize) return TReplyKind::NotOurs;
  quoted += ipHeader;
  if (Read16(quoted + 6) != sequence || (checkId && Read16(quoted + 4) != id)) return TReplyKind::NotOurs;
  return TReplyKind::Error;
}

}  // namespace

std::string ReachabilityHost() {
  const char* value = std::getenv(std::string(kPingHostVariable).c_str());
  if (value != nullptr && *value != '\0') return value;
  return std::string(kReachabilityHost);
}

int PingHost(std::string_view hostText, const std::atomic<bool>* cancel) {
  std::string host(hostText);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty() || !HostAllowed(host)) return -1;
  const TDeadline deadline = DeadlineIn(kPingTimeout);
  std::vector<TResolvedAddress> addresses;
  if (ResolveHost(host, "", SOCK_DGRAM, deadline, cancel, addresses) != TIoStatus::Ok) return -1;

  for (const TResolvedAddress& address : addresses) {
    const bool v6 = address.Family == AF_INET6;
    if (address.Family != AF_INET && !v6) continue;
    bool raw = false;
    const platform::TUniqueFd fd = OpenIcmpSocket(address.Family, raw);
    if (!fd.Valid()) continue;

    const std::uint16_t id =
        std::uint16_t((unsigned(::getpid()) ^ unsigned(std::hash<std::thread::id>()(std::this_thread::get_id()))) & 0xffff);
    const std::uint16_t sequence = nextSequence.fetch_add(1);
    std::array<unsigned char, kEchoHeaderSize + kPayloadSize> request{};
    request[0] = v6 ? std::uint8_t(ICMP6_ECHO_REQUEST) : std::uint8_t(ICMP_ECHO);
    request[4] = std::uint8_t(id >> 8);
    request[5] = std::uint8_t(id);
    request[6] = std::uint8_t(sequence >> 8);
    request[7] = std::uint8_t(sequence);
    for (size_t i = 0; i < kPayloadSize; ++i) request[kEchoHeaderSize + i] = std::uint8_t('a' + i % 23);
    if (!v6) {
      // ICMPv6 checksums are made by the kernel (they cover the addresses).
      const std::uint16_t sum = Checksum(request.data(), request.size());
      request[2] = std::uint8_t(sum >> 8);
      request[3] = std::uint8_t(sum);
    }

    const TClock::time_point sent = TClock::now();
    if (::sendto(fd.Get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&address.Address),
                 address.Length) < 0) {
      continue;
    }
    std::array<unsigned char, 1500> answer{};
    while (true) {
      if (WaitReady(fd.Get(), POLLIN, deadline, cancel) != TIoStatus::Ok) return -1;
      const ssize_t count = ::recv(fd.Get(), answer.data(), answer.size(), 0);
      if (count < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return -1;  // a datagram socket reports an ICMP error this way
      }
      const unsigned char* message = answer.data();
      size_t size = size_t(count);
      if (raw && !v6) {
        // A raw IPv4 socket hands over the IP header too.
        if (size < 20) continue;
        const size_t ipHeader = size_t(message[0] & 0x0f) * 4;
        if (size < ipHeader) continue;
        message += ipHeader;
        size -= ipHeader;
      }
      switch (Classify(message, size, v6, raw, id, sequence)) {
        case TReplyKind::Reply:
          return int(std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - sent).count());
        case TReplyKind::Error:
          return -1;
        case TReplyKind::NotOurs:
          break;
      }
    }
  }
  return -1;
}

}  // namespace varnelo::network
