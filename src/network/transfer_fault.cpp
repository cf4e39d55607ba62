#include "network/transfer_fault.h"

namespace varnelo::network {

std::string TransferFaultLine(TTransferFault fault, std::string_view url, std::int64_t limit) {
  const std::string where(url);
  switch (fault) {
    case TTransferFault::None:
      return {};
    case TTransferFault::TooLarge:
      return "Document larger than " + std::to_string(limit) + " bytes, not kept: " + where;
    case TTransferFault::Truncated:
      return "Document shorter than its Content-Length, not kept: " + where;
    case TTransferFault::UnendedChunks:
      return "Document ended before its last chunk, not kept: " + where;
    case TTransferFault::HeaderTimeout:
      return "Answer header not received in time: " + where;
    case TTransferFault::TooSlow:
      return "Transfer too slow, abandoned: " + where;
    case TTransferFault::SinkFailed:
      return "Document could not be written, not kept: " + where;
  }
  return {};
}

}  // namespace varnelo::network
