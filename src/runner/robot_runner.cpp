#include "runner/robot_runner.h"

namespace varnelo::runner {

// Work in progress: the operations are being written.
class TRobotRunner::TImpl {};

TRobotRunner::TRobotRunner(TRobotPorts&, shell::TIndicatorsPort&, TRobotWorkerTable&, TRobotList&)
    : impl_(std::make_unique<TImpl>()) {}
TRobotRunner::~TRobotRunner() = default;
bool TRobotRunner::ExecBtnClick(const TSender&) { return false; }
void TRobotRunner::AbortBtnClick(const TSender&) {}
void TRobotRunner::CreateSearchEngineThread(const std::string&, int, std::string_view) {}
bool TRobotRunner::Running(std::string_view) const { return false; }
int TRobotRunner::RunningWorkerCount() const { return 0; }
std::string EncodeSearchQuery(std::string_view query) { return std::string(query); }

}  // namespace varnelo::runner
