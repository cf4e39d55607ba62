#include "runner/run_progress.h"

#include <algorithm>

namespace varnelo::runner {

TRunProgress TRunProgressTable::Of(std::string_view robot) const {
  const auto found = progress_.find(robot);
  return found == progress_.end() ? TRunProgress{} : found->second;
}

TRunProgress& TRunProgressTable::Entry(const std::string& robot) { return progress_[robot]; }

void TRunProgressTable::Changed(const std::string& robot) { ProgressChanged(robot, progress_[robot]); }

void TRunProgressTable::BeginRun(const std::string& robot) { Entry(robot) = TRunProgress{}; }

void TRunProgressTable::WorkerStarted(const std::string& robot) {
  ++Entry(robot).WorkersRunning;
  Changed(robot);
}

void TRunProgressTable::WorkerEnded(const std::string& robot) {
  TRunProgress& progress = Entry(robot);
  progress.WorkersRunning = std::max(progress.WorkersRunning - 1, 0);
  Changed(robot);
}

void TRunProgressTable::RowsFound(const std::string& robot, size_t rows) {
  if (rows == 0) return;
  Entry(robot).RowsFound += rows;
  Changed(robot);
}

void TRunProgressTable::ItemsDone(const std::string& robot, size_t items) {
  if (items == 0) return;
  TRunProgress& progress = Entry(robot);
  progress.Done += items;
  // A list edited during the run must not show more than all of it done.
  if (progress.Total) progress.Done = std::min(progress.Done, *progress.Total);
  Changed(robot);
}

void TRunProgressTable::SetList(const std::string& robot, size_t total, size_t done) {
  TRunProgress& progress = Entry(robot);
  // Chained starts of one run count what earlier items did again: the larger figure holds.
  const size_t newDone = std::min(std::max(progress.Done, done), total);
  if (progress.Total == total && progress.Done == newDone) return;
  progress.Total = total;
  progress.Done = newDone;
  Changed(robot);
}

}  // namespace varnelo::runner
