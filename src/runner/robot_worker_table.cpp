#include "runner/robot_worker_table.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace varnelo::runner {

void TRobotWorkerTable::Reset(int entries) {
  entries_.assign(static_cast<size_t>(std::max(entries, 0)), {});
}

std::vector<base::TWorker*>& TRobotWorkerTable::Entry(int robotno) {
  if (robotno < 0) throw std::out_of_range("robotno " + std::to_string(robotno) + " is negative");
  if (static_cast<size_t>(robotno) >= entries_.size()) entries_.resize(static_cast<size_t>(robotno) + 1);
  return entries_[static_cast<size_t>(robotno)];
}

void TRobotWorkerTable::Add(int robotno, base::TWorker* worker) { Entry(robotno).push_back(worker); }

void TRobotWorkerTable::Remove(int robotno, base::TWorker* worker) { std::erase(Entry(robotno), worker); }

void TRobotWorkerTable::WorkerStarted() { RunningWorkerCountChanged(++runningWorkerCount_); }

void TRobotWorkerTable::WorkerEnded() { RunningWorkerCountChanged(--runningWorkerCount_); }

bool TRobotWorkerTable::Running(int robotno) const {
  return robotno >= 0 && static_cast<size_t>(robotno) < entries_.size() &&
         !entries_[static_cast<size_t>(robotno)].empty();
}

void TRobotWorkerTable::TerminateAll() const {
  for (const auto& entry : entries_) {
    for (base::TWorker* worker : entry) worker->Terminate();
  }
}

}  // namespace varnelo::runner
