#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/worker.h"
#include "config/config_store.h"
#include "network/network_fixture.h"
#include "runner/robot_list.h"
#include "runner/robot_runner.h"
#include "runner/robot_worker_table.h"
#include "support/recording_ports.h"
#include "support/temp_home.h"

namespace varnelo::runner {

// A worker that is never started: it stands for a live worker in the table.
class TIdleWorker : public base::TWorker {
public:
  using base::TWorker::TWorker;

protected:
  void Execute() override {}
};

// A runner over a fresh home, with recording ports; the test's thread is the main thread.
class RobotRunnerTest : public network::NetworkTest {
protected:
  RobotRunnerTest() { table_.Reset(1); }
  // No worker may outlive the ports it uses.
  void TearDown() override {
    table_.TerminateAll();
    RunToIdle();
  }

  // Appends a robot section (its lines ended by CR LF) and lists the robot, as the start-up does.
  void AddRobot(const std::string& name, const std::string& keys) {
    const std::string config = test::ReadFile(home_.RobotConfigPath());
    test::WriteFile(home_.RobotConfigPath(), config + "[" + name + "]\r\n" + keys);
    list_.AddIdle(name);
  }
  config::TConfigStore Store() const { return config::TConfigStore(home_.RobotConfigPath()); }
  std::string Value(const std::string& robot, const std::string& key) const {
    return Store().ReadString(robot, key, "(none)");
  }
  bool Start(const std::string& robot) { return runner_.Start(robot) != TStartOutcome::Refused; }
  void RunToIdle() {
    queue_.RunUntil([this] { return runner_.RunningWorkerCount() == 0; });
  }
  bool Logged(const std::string& line) const {
    return std::find(log_.lines.begin(), log_.lines.end(), line) != log_.lines.end();
  }
  // The lines of the log that the runner writes (the workers write others).
  std::vector<std::string> RunnerLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : log_.lines) {
      if (line.starts_with("starting thread") || line.starts_with("No more") || line.starts_with("Robot ") ||
          line.starts_with("Thread ") || line.find(" s'est terminé") != std::string::npos) {
        lines.push_back(line);
      }
    }
    return lines;
  }

  test::TTempHome home_;
  base::TMainQueue queue_;
  test::TRecordingLog log_;
  test::TRecordingDialogs dialogs_;
  test::TRecordingIndicators indicators_;
  test::TRecordingShellOpen shellOpen_;
  base::TResultTabs tabs_;
  base::TRobotPorts ports_{queue_, home_.Path(), log_, tabs_, shellOpen_, dialogs_};
  TRobotWorkerTable table_;
  TRobotList list_;
  TRobotRunner runner_{ports_, indicators_, table_, list_};
};

}  // namespace varnelo::runner
