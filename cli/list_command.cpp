#include "list_command.h"

#include "config/config_keys.h"
#include "forms/main_form.h"
#include "runner/robot_list.h"

namespace varnelo::cli {

int RunList(const std::filesystem::path& home, std::ostream& out, std::ostream& errors) {
  const config::TConfigStore store(home / "robotconfig.ini");
  const std::vector<std::string> sections = store.ReadSections();
  if (!shell::HasRequiredSections(sections)) {
    errors << "varnelo-cli: " << store.FileName().string() << ": " << shell::kMissingSectionsMessage << '\n';
    return 2;
  }
  runner::TRobotList list;
  const std::vector<std::string> robots = config::RobotSections(sections);
  for (const std::string& robot : robots) list.AddIdle(robot);
  for (size_t i = 0; i < robots.size(); ++i) {
    out << list.Entries()[i] << '\t' << config::Read(store, robots[i], config::key::kDataFromRunner) << '\n';
  }
  return 0;
}

}  // namespace varnelo::cli
