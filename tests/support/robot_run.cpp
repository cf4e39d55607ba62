#include "support/robot_run.h"

#include <exception>

namespace varnelo::test {

void TRobotRun::RunToEnd(std::unique_ptr<base::TWorker> worker) {
  bool ended = false;
  std::exception_ptr fatal;
  worker->SetOnTerminate([&](base::TWorker& self) {
    ended = true;
    fatal = self.FatalException();
  });
  base::TWorker::Start(std::move(worker));
  mainQueue.RunUntil([&ended] { return ended; });
  if (fatal) std::rethrow_exception(fatal);
}

}  // namespace varnelo::test
