#pragma once

#include <cstddef>
#include <vector>

#include "base/signal.h"
#include "base/worker.h"

namespace varnelo::runner {

// The live workers of every robot, indexed by `robotno`, and the running worker count of all robots.
// Main thread only. The lists do not own the workers.
class TRobotWorkerTable {
public:
  // Replaces the table with `entries` empty lists.
  void Reset(int entries);
  size_t Size() const { return entries_.size(); }
  // One more empty list, for a robot just registered.
  void AddEntry() { entries_.emplace_back(); }

  // The list of robot `robotno`; a number past the end grows the table, a negative one throws
  // std::out_of_range.
  std::vector<base::TWorker*>& Entry(int robotno);
  void Add(int robotno, base::TWorker* worker);
  void Remove(int robotno, base::TWorker* worker);
  bool Running(int robotno) const;

  int RunningWorkerCount() const { return runningWorkerCount_; }
  void WorkerStarted();
  void WorkerEnded();
  // The running worker count changed; it names the new count.
  base::TSignal<int> RunningWorkerCountChanged;

  // Gives every live worker of every robot its termination request.
  void TerminateAll() const;

private:
  std::vector<std::vector<base::TWorker*>> entries_;
  int runningWorkerCount_ = 0;
};

}  // namespace varnelo::runner
