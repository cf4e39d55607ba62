#include "network/fetch_log.h"

#include <mutex>
#include <utility>

namespace varnelo::network {
namespace {

std::mutex& SinkLock() {
  static std::mutex lock;
  return lock;
}

TFetchLogSink& Sink() {
  static TFetchLogSink sink;
  return sink;
}

}  // namespace

TScopedFetchLog::TScopedFetchLog(TFetchLogSink sink) {
  const std::lock_guard<std::mutex> guard(SinkLock());
  previous_ = std::exchange(Sink(), std::move(sink));
}

TScopedFetchLog::~TScopedFetchLog() {
  const std::lock_guard<std::mutex> guard(SinkLock());
  Sink() = std::move(previous_);
}

void ReportFetch(std::string_view line) {
  const std::lock_guard<std::mutex> guard(SinkLock());
  if (Sink()) Sink()(line);
}

}  // namespace varnelo::network
