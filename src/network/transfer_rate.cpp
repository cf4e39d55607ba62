#include "network/transfer_rate.h"

#include <algorithm>

namespace varnelo::network {

TTransferRate::TTransferRate(std::int64_t bytesPerSecond, int windowMs)
    : bytesPerSecond_(bytesPerSecond), windowMs_(std::max(windowMs, 1)), stretchEnd_(DeadlineIn(windowMs_)) {}

TDeadline TTransferRate::NextDeadline(TDeadline readDeadline) const {
  if (bytesPerSecond_ <= 0) return readDeadline;
  return std::min(readDeadline, stretchEnd_);
}

bool TTransferRate::Arrived(std::int64_t bytes) {
  stretchBytes_ += bytes;
  CloseStretches();
  return !tooSlow_;
}

void TTransferRate::CloseStretches() {
  if (bytesPerSecond_ <= 0 || tooSlow_ || TClock::now() < stretchEnd_) return;
  const std::int64_t wanted = bytesPerSecond_ * windowMs_ / 1000;
  if (stretchBytes_ < wanted) {
    tooSlow_ = true;
    return;
  }
  stretchBytes_ = 0;
  stretchEnd_ = DeadlineIn(windowMs_);
}

}  // namespace varnelo::network
