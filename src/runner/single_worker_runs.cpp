#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

#include "config/comma_list.h"
#include "config/config_keys.h"
#include "config/start_url_list.h"
#include "retrieval/retrieve_web_thread.h"
#include "retrieval/search_web_thread.h"
#include "retrieval/web_site_settings.h"
#include "runner/list_file.h"
#include "runner/robot_runner_impl.h"
#include "runner/start_url_resolver.h"
#include "scripting/thread_local_file.h"
#include "scripting/thread_script.h"
#include "search/sorted_word_list.h"

namespace varnelo::runner {

std::vector<std::string> ExtractContentType(std::string_view text) {
  std::vector<std::string> types;
  for (const std::string& item : config::SplitCommaList(text)) types.emplace_back(search::TrimControls(item));
  return types;
}

// What both web site kinds read: the size limit, the site name, the accepted types and the start URLs.
retrieval::TWebSiteSettings TRobotRunner::TImpl::ReadWebSiteSettings(const config::TConfigStore& store,
                                                                     const std::string& robot) const {
  retrieval::TWebSiteSettings settings;
  settings.RobotName = robot;
  settings.MaxSize = config::Read(store, robot, config::key::kMaximalSize);
  settings.SiteName = config::Read(store, robot, config::key::kWebSiteName);
  settings.AcceptedTypes = ExtractContentType(config::Read(store, robot, config::key::kContentType));
  const std::filesystem::path file = config::StartUrlFile(ports_.home, robot);
  settings.Sites = LoadListFile(file);
  // A crawl needs its first page.
  if (settings.Sites.empty()) throw std::runtime_error("No start URL in " + file.string());
  return settings;
}

void TRobotRunner::TImpl::CreateThreadWebSiteKeywordsSearch(const std::string& robot) {
  const config::TConfigStore store = Store();
  retrieval::TWebSiteSettings settings = ReadWebSiteSettings(store, robot);
  settings.FollowLinks = config::Read(store, robot, config::key::kFollowLinks);
  settings.Keywords = config::Read(store, robot, config::key::kKeywords);
  settings.RobotNo = config::Read(store, robot, config::key::kRobotNo);
  settings.Gate = PoliteGate(robot);
  // The robot is starting while its start lines are resolved: it shows as working, a second start is
  // refused and a stop ends the resolution.
  auto resolver = std::make_unique<TStartUrlResolver>(ports_.mainQueue, settings.Sites, settings.Gate);
  Relabel(robot, TRobotList::kWorking);
  Launch<TStartUrlResolver>(
      robot, settings.RobotNo, std::move(resolver),
      [this, settings = std::move(settings)](TStartUrlResolver& ended) { OnStartUrlsResolved(ended, settings); });
}

void TRobotRunner::TImpl::OnStartUrlsResolved(const TStartUrlResolver& resolver, retrieval::TWebSiteSettings settings) {
  if (!resolver.Resolved() || resolver.Terminated()) {
    // Abandoned, stopped or failed: nothing starts and nothing is shown, but an error still reaches
    // the application's error dialog, as one raised by the start itself would.
    Relabel(settings.RobotName, TRobotList::kIdle);
    if (const std::exception_ptr error = resolver.FatalException()) std::rethrow_exception(error);
    return;
  }
  settings.Sites = *resolver.Resolved();
  Relabel(settings.RobotName, TRobotList::kWorking);
  StartWebSiteWorker(std::make_unique<retrieval::TSearchWebThread>(ports_, settings), settings);
}

void TRobotRunner::TImpl::CreateThreadWebSiteBackup(const std::string& robot) {
  const config::TConfigStore store = Store();
  retrieval::TWebSiteSettings settings = ReadWebSiteSettings(store, robot);
  for (std::string& line : settings.Sites) {
    const std::optional<std::string> canonical = CanonicalStartUrl(line);
    if (!canonical) {
      ShowError(kUrlFormatError);
      return;
    }
    line = *canonical;
  }
  settings.RobotNo = config::Read(store, robot, config::key::kRobotNo);
  settings.Gate = PoliteGate(robot);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ")");
  StartWebSiteWorker(std::make_unique<retrieval::TRetrieve>(ports_, settings), settings);
}

void TRobotRunner::TImpl::StartWebSiteWorker(std::unique_ptr<base::TWorker> worker,
                                             const retrieval::TWebSiteSettings& settings) {
  Launch<base::TWorker>(settings.RobotName, settings.RobotNo, std::move(worker),
                  [this, robot = settings.RobotName, siteName = settings.SiteName](base::TWorker& ended) {
                    Log(siteName + " s'est terminé");
                    ports_.tabs.PossibleToCloseTabsheet(&ended);
                    Relabel(robot, TRobotList::kIdle);
                    WriteRobotRunningConfig(robot);
                  });
}

void TRobotRunner::TImpl::CreateThreadScript(const std::string& robot) {
  auto worker = std::make_unique<scripting::TThreadscript>(ports_, robot);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ")");
  Launch<base::TWorker>(robot, RobotNo(robot), std::move(worker), [this, robot](base::TWorker&) { OnTerminateScriptRobot(robot); });
}

void TRobotRunner::TImpl::CreateThreadLocalFile(const std::string& robot) {
  auto worker = std::make_unique<scripting::TThreadLocalFile>(ports_, robot);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ")");
  Launch<base::TWorker>(robot, RobotNo(robot), std::move(worker), [this, robot](base::TWorker&) { OnTerminateScriptRobot(robot); });
}

void TRobotRunner::TImpl::OnTerminateScriptRobot(const std::string& robot) {
  if (Running(robot)) return;
  Log("Robot " + robot + " s'est terminé");
  Relabel(robot, TRobotList::kIdle);
}

}  // namespace varnelo::runner
