#include <stdexcept>
#include <utility>

#include "config/comma_list.h"
#include "config/config_keys.h"
#include "config/start_url_list.h"
#include "network/http_operations.h"
#include "retrieval/retrieve_web_thread.h"
#include "retrieval/search_web_thread.h"
#include "retrieval/url.h"
#include "retrieval/web_site_settings.h"
#include "runner/list_file.h"
#include "runner/robot_runner_impl.h"
#include "scripting/thread_local_file.h"
#include "scripting/thread_script.h"
#include "search/sorted_word_list.h"

namespace varnelo::runner {
namespace {

// The URL written back from its parsed parts, its path without dot segments; none when it does not
// parse.
std::optional<std::string> Canonical(const std::string& text) {
  retrieval::url record;
  if (text.empty() || retrieval::ParseUrl(text, record) != retrieval::TUrlParseResult::NoError) return std::nullopt;
  retrieval::RemoveDotSegments(record.Path);
  return retrieval::ComposeUrl(record, retrieval::TUrlLevel::Full);
}

}  // namespace

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
  for (std::string& line : settings.Sites) {
    // A line the site does not answer cannot start a crawl: the start is abandoned, as for an
    // unparsable one, rather than crawling from the URL of the line before.
    std::string mimeType;
    std::int64_t contentLength = 0;
    std::string resolved;
    network::HttpHeadOnce(line, mimeType, contentLength, resolved);
    const std::optional<std::string> canonical = Canonical(resolved);
    if (!canonical) return;
    line = *canonical;
  }
  settings.RobotNo = config::Read(store, robot, config::key::kRobotNo);
  Relabel(robot, TRobotList::kWorking);
  StartWebSiteWorker(std::make_unique<retrieval::TSearchWebThread>(ports_, settings), settings);
}

void TRobotRunner::TImpl::CreateThreadWebSiteBackup(const std::string& robot) {
  const config::TConfigStore store = Store();
  retrieval::TWebSiteSettings settings = ReadWebSiteSettings(store, robot);
  for (std::string& line : settings.Sites) {
    const std::optional<std::string> canonical = Canonical(line);
    if (!canonical) {
      ShowError(kUrlFormatError);
      return;
    }
    line = *canonical;
  }
  settings.RobotNo = config::Read(store, robot, config::key::kRobotNo);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ")");
  StartWebSiteWorker(std::make_unique<retrieval::TRetrieve>(ports_, settings), settings);
}

void TRobotRunner::TImpl::StartWebSiteWorker(std::unique_ptr<TWorker> worker,
                                             const retrieval::TWebSiteSettings& settings) {
  Launch<TWorker>(settings.RobotName, settings.RobotNo, std::move(worker),
                  [this, robot = settings.RobotName, siteName = settings.SiteName](TWorker& ended) {
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
  Launch<TWorker>(robot, RobotNo(robot), std::move(worker), [this, robot](TWorker&) { OnTerminateScriptRobot(robot); });
}

void TRobotRunner::TImpl::CreateThreadLocalFile(const std::string& robot) {
  auto worker = std::make_unique<scripting::TThreadLocalFile>(ports_, robot);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ")");
  Launch<TWorker>(robot, RobotNo(robot), std::move(worker), [this, robot](TWorker&) { OnTerminateScriptRobot(robot); });
}

void TRobotRunner::TImpl::OnTerminateScriptRobot(const std::string& robot) {
  if (Running(robot)) return;
  Log("Robot " + robot + " s'est terminé");
  Relabel(robot, TRobotList::kIdle);
}

}  // namespace varnelo::runner
