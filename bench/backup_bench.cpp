// A backup of the Apache manual (Debian's apache2-doc) served by nginx on loopback, beside
// `wget --mirror --convert-links --no-parent` and `httrack` of the same start URL in the same run, each
// into a fresh folder.
//
// Fairness. All three fetch every page of the manual over fresh loopback connections from the same
// nginx. Our backup also sends the HEAD requests that every new link costs before it is queued (links
// to other hosts are refused by the loopback guard at once), and runs three page workers; httrack runs
// eight connections with its rate options lifted; wget fetches one page at a time, as it always does.
// httrack 3.49 still sends about one request a second here whatever its rate options say, so a run of
// the whole manual would take most of an hour: it is timed on the manual's developer section, and ours
// on the same start URL in the same run, beside the whole-manual comparison with wget.
//
// Loopback hides what a round trip costs, so the same runs are made again through a relay that adds
// a 50 ms round trip (each through the same relay, from the same start URL): there a kept-alive
// connection is worth a round trip per request. The counters show the connections each opened.

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "retrieval/retrieve_web_thread.h"
#include "shell/stream_dialogs.h"
#include "support/delay_relay.h"
#include "support/nginx_server.h"
#include "support/temp_dir.h"
#include "support/transport_tally.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const fs::path kManual = "/usr/share/doc/apache2-doc/manual";

class TLogToStderr : public varnelo::base::TLogPort {
public:
  void AppendLine(std::string_view line) override { std::fprintf(stderr, "%.*s\n", int(line.size()), line.data()); }
};

class TNoShellOpen : public varnelo::base::TShellOpenPort {
public:
  void OpenDocument(const fs::path&) override {}
  void OpenUrl(std::string_view) override {}
};

// Runs a program to its end; its exit code.
int Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error(arguments[0] + " is not installed (make deps installs it)");
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) throw std::runtime_error(arguments[0] + " failed");
  return WEXITSTATUS(status);
}

size_t FilesBelow(const fs::path& folder) {
  size_t count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
  return count;
}

// How many GET and HEAD requests nginx has logged so far.
std::pair<size_t, size_t> LoggedRequests(const fs::path& accessLog) {
  std::ifstream log(accessLog);
  size_t gets = 0;
  size_t heads = 0;
  for (std::string line; std::getline(log, line);) {
    gets += line.find("\"GET ") != std::string::npos ? 1 : 0;
    heads += line.find("\"HEAD ") != std::string::npos ? 1 : 0;
  }
  return {gets, heads};
}

double Seconds(TClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double OurBackup(const std::string& url, const fs::path& home) {
  varnelo::base::TMainQueue mainQueue;
  TLogToStderr log;
  varnelo::base::TResultTabs tabs;
  TNoShellOpen shellOpen;
  varnelo::shell::TStreamDialogs dialogs(std::cerr, "backup_bench: ");
  varnelo::base::TRobotPorts ports{mainQueue, home, log, tabs, shellOpen, dialogs};
  varnelo::retrieval::TWebSiteSettings settings;
  settings.RobotName = "bench";
  settings.SiteName = "manual";
  settings.Sites = {url};
  settings.AcceptedTypes = {"*/*"};
  settings.MaxSize = "10000M";

  bool ended = false;
  auto worker = std::make_unique<varnelo::retrieval::TRetrieve>(ports, settings);
  worker->SetOnTerminate([&ended](varnelo::base::TWorker&) { ended = true; });
  const auto start = TClock::now();
  varnelo::base::TWorker::Start(std::move(worker));
  mainQueue.RunUntil([&ended] { return ended; });
  return Seconds(TClock::now() - start);
}

double Wget(const std::string& url, const fs::path& folder) {
  const auto start = TClock::now();
  // Exit code 8 only says that some links answered 404, which the manual has.
  const int code = Run({"wget", "--mirror", "--convert-links", "--no-parent", "--quiet", "-e", "robots=off",
                        "--directory-prefix", folder.string(), url});
  if (code != 0 && code != 8) throw std::runtime_error("wget failed with " + std::to_string(code));
  return Seconds(TClock::now() - start);
}

double Httrack(const std::string& url, const fs::path& folder) {
  const auto start = TClock::now();
  Run({"httrack", url, "-O", folder.string(), "-q", "-Q", "-s0", "-A100000000", "-%c50", "-c8",
       "--disable-security-limits"});
  return Seconds(TClock::now() - start);
}

// One comparison: ours against wget on the whole manual, and ours against httrack on the developer
// section, all reached at `authority` (nginx itself, or a relay in front of it).
struct TComparison {
  double ours = 0, wget = 0, oursSection = 0, httrack = 0;
};

TComparison Compare(const char* title, const std::string& authority, const varnelo::test::TNginxServer& nginx,
                    const std::function<int()>& relayedConnections) {
  const std::string url = "http://" + authority + "/manual/";
  const auto [getsBefore, headsBefore] = LoggedRequests(nginx.AccessLog());
  TComparison times;
  const varnelo::test::TTempDir ours;
  fs::create_directories(ours.Path() / "website");
  const auto tallyStart = varnelo::test::TTransportTally::Now();
  const int connectionsBefore = relayedConnections();
  times.ours = OurBackup(url, ours.Path());
  const auto tally = varnelo::test::TTransportTally::Now().Since(tallyStart);
  const int ourConnections = relayedConnections() - connectionsBefore;
  const auto [ourGets, ourHeads] = LoggedRequests(nginx.AccessLog());
  const varnelo::test::TTempDir wget;
  times.wget = Wget(url, wget.Path());
  const int wgetConnections = relayedConnections() - connectionsBefore - ourConnections;
  const auto [allGets, allHeads] = LoggedRequests(nginx.AccessLog());
  std::printf("%s: whole manual %s\n", title, url.c_str());
  std::printf("  ours     %8.2f s  %zu files  %zu GET  %zu HEAD\n", times.ours, FilesBelow(ours.Path() / "website"),
              ourGets - getsBefore, ourHeads - headsBefore);
  tally.Print("             ");
  std::printf("  wget     %8.2f s  %zu files  %zu GET  %zu HEAD\n", times.wget, FilesBelow(wget.Path()),
              allGets - ourGets, allHeads - ourHeads);
  if (relayedConnections() > 0) {
    std::printf("  through the relay: %d connections ours, %d wget\n", ourConnections, wgetConnections);
  }

  const std::string sectionUrl = "http://" + authority + "/manual/en/developer/";
  const varnelo::test::TTempDir oursSection;
  fs::create_directories(oursSection.Path() / "website");
  times.oursSection = OurBackup(sectionUrl, oursSection.Path());
  const int sectionStart = relayedConnections();
  const varnelo::test::TTempDir httrack;
  times.httrack = Httrack(sectionUrl, httrack.Path());
  std::printf("%s: developer section %s\n", title, sectionUrl.c_str());
  std::printf("  ours     %8.2f s  %zu files\n", times.oursSection, FilesBelow(oursSection.Path() / "website"));
  std::printf("  httrack  %8.2f s  %zu files (its own log and cache included)\n", times.httrack,
              FilesBelow(httrack.Path()));
  if (relayedConnections() > 0) {
    std::printf("  through the relay: %d connections httrack\n", relayedConnections() - sectionStart);
  }
  return times;
}

}  // namespace

int main() try {
  if (!varnelo::test::TNginxServer::Unavailable().empty()) {
    std::printf("skipped: %s\n", varnelo::test::TNginxServer::Unavailable().c_str());
    return 0;
  }
  if (!fs::is_regular_file(kManual / "index.html")) throw std::runtime_error("apache2-doc is not installed");
  // nginx writes its own port into the redirect of a folder without its slash; taken from the Host
  // line instead, the redirect keeps a client on the relay it came through (and is unchanged on
  // loopback).
  const varnelo::test::TNginxServer nginx(
      {.folder = kManual,
       .prefix = "/manual/",
       .locationDirectives = "if (-d $request_filename) { rewrite ^(.*[^/])$ $scheme://$http_host$1/ permanent; }",
       .extraServerDirectives = ""});

  const TComparison loopback = Compare("loopback", nginx.Authority(), nginx, [] { return 0; });
  const varnelo::test::TDelayRelay relay(nginx.Port(), {.roundTrip = std::chrono::milliseconds(50)});
  const TComparison far =
      Compare("50 ms round trip", relay.Authority(), nginx, [&relay] { return relay.Connections(); });

  std::printf("RATIO backup-wget %.3f\n", loopback.ours / loopback.wget);
  std::printf("RATIO backup-httrack %.3f\n", loopback.oursSection / loopback.httrack);
  std::printf("RATIO backup-wget-rtt50 %.3f\n", far.ours / far.wget);
  std::printf("RATIO backup-httrack-rtt50 %.3f\n", far.oursSection / far.httrack);
  return 0;
} catch (const std::exception& error) {
  std::fprintf(stderr, "backup_bench: %s\n", error.what());
  return 1;
}
