#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/signal.h"

namespace varnelo::runner {

// How far a robot's run has got, for a status line or a progress bar.
struct TRunProgress {
  int WorkersRunning = 0;
  size_t RowsFound = 0;
  // Pages fetched or words queried.
  size_t Done = 0;
  // The length of the list a dividing run works through; none where the work has no known end.
  std::optional<size_t> Total;
  bool operator==(const TRunProgress&) const = default;
};

// The progress of every robot that ran since the program started. A run's figures start again with
// its first worker; they stay after its end until the next run. Main thread only.
class TRunProgressTable {
public:
  // The robot's figures; all zero for a robot that has not run.
  TRunProgress Of(std::string_view robot) const;

  // The robot's first worker of a run is about to start: its figures start again.
  void BeginRun(const std::string& robot);
  void WorkerStarted(const std::string& robot);
  void WorkerEnded(const std::string& robot);
  void RowsFound(const std::string& robot, size_t rows);
  void ItemsDone(const std::string& robot, size_t items);
  // The run works through a list of `total` entries of which `done` were done by earlier runs.
  void SetList(const std::string& robot, size_t total, size_t done);

  base::TSignal<const std::string& /*robot*/, const TRunProgress&> ProgressChanged;

private:
  TRunProgress& Entry(const std::string& robot);
  void Changed(const std::string& robot);

  std::map<std::string, TRunProgress, std::less<>> progress_;
};

}  // namespace varnelo::runner
