#include "base/worker.h"

namespace varnelo::base {

TWorker::TWorker(TMainQueue& mainQueue) : mainQueue_(mainQueue) {}

TWorker::~TWorker() {
  if (thread_.joinable()) thread_.join();
}

TWorker* TWorker::Start(std::unique_ptr<TWorker> worker, const base::TThreadStart& startThread) {
  TWorker* self = worker.get();
  // The thread_ member is only touched on the main thread (here and in Finish), which cannot run
  // Finish before this call has returned. Ownership is given up only once the thread exists.
  self->thread_ = startThread([self] { self->Run(); });
  return worker.release();
}

void TWorker::Run() {
  try {
    Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
  mainQueue_.Post([this] { Finish(); });
}

void TWorker::Finish() {
  const std::unique_ptr<TWorker> owned(this);
  thread_.join();
  if (onTerminate_) onTerminate_(*this);
}

}  // namespace varnelo::base
