#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnelo::network {

// Why a transfer that had begun to answer was given up. Such a transfer is a failed fetch: its body is
// not kept, and the worker that asked for it writes the line of TransferFaultLine to the log.
enum class TTransferFault {
  None,
  TooLarge,       // the body went past the cap it was read with
  Truncated,      // the connection ended before the announced Content-Length
  UnendedChunks,  // a chunked body ended before its last (zero-size) chunk
  HeaderTimeout,  // the header block did not arrive whole within the read time-out
  TooSlow,        // the body stayed below the minimum rate for the whole low-speed time
  SinkFailed,     // the file the body streamed into could not be written
};

// The log line for a fault of the transfer of `url` (`limit` is the cap of a TooLarge body); empty for None.
std::string TransferFaultLine(TTransferFault fault, std::string_view url, std::int64_t limit);

}  // namespace varnelo::network
