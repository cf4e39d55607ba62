#include "retrieval/polite_gate.h"

#include <algorithm>
#include <optional>
#include <thread>
#include <utility>

#include "base/text.h"
#include "config/config_keys.h"
#include "network/http_client.h"
#include "network/redirect_target.h"
#include "network/url_parts.h"

namespace varnelo::retrieval {
namespace {

// As many as a browser would follow for a small file; past them the site has no usable robots.txt.
constexpr int kMaxRobotsRedirects = 5;
// A robots.txt is small: one that takes longer than this to come is taken as unavailable.
constexpr int kRobotsTimeoutMs = 20000;
// How often a wait for a host's turn looks at the stop, like the program's other waits.
constexpr auto kStopPoll = std::chrono::milliseconds(20);

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// What reading a host's robots.txt gave: its rules, or why there are none to obey.
struct TRobotsAnswer {
  TRobotsRules Rules;
  bool Unavailable = false;  // a server error or no answer: everything is allowed, and the log says so
};

// The text up to its last line end, so that a cut does not leave half a rule behind.
std::string_view WholeLines(std::string_view text) {
  const size_t end = text.find_last_of("\r\n");
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

TRobotsAnswer FetchRobotsTxt(std::string url, const std::atomic<bool>* stop) {
  for (int redirects = 0; redirects <= kMaxRobotsRedirects; ++redirects) {
    // Without the gate: this is the request that the gate's rules come from.
    network::THttpClient client{network::TCancel(stop)};
    client.Timeout = std::min(client.Timeout, kRobotsTimeoutMs);
    std::string body;
    bool cut = false;
    client.BodySinkFor = [&](const network::THttpClient&) -> network::THttpClient::TBodySink {
      return [&](std::string_view bytes) {
        const size_t room = kMaxRobotsTxtBytes - body.size();
        body.append(bytes.substr(0, room));
        cut = bytes.size() > room;
        return !cut;
      };
    };
    const bool answered = client.HttpMethod("GET", url);
    const int code = client.ResultCode;
    if (!answered && !cut) return {{}, true};
    if (code >= 200 && code <= 299) return {ParseRobotsTxt(cut ? WholeLines(body) : std::string_view(body)), false};
    if (code >= 300 && code <= 399) {
      std::optional<std::string> target = network::RedirectTarget(url, client.Location);
      if (!target) return {};
      url = std::move(*target);
      continue;
    }
    // A missing or forbidden file asks nothing of us.
    if (code >= 400 && code <= 499) return {};
    return {{}, true};
  }
  return {};
}

// "scheme://host:port", host in lower case: what one robots.txt and one pace cover.
std::string OriginOf(const network::TUrlParts& parts) {
  return parts.Scheme + "://" + network::HostForUrl(base::AsciiLowered(parts.Host)) + ":" + parts.Port;
}

}  // namespace

TPoliteness ReadPoliteness(const config::TConfigStore& store, std::string_view robot) {
  TPoliteness politeness;
  politeness.RobotsTxt = config::Read(store, robot, config::key::kRobotsTxt);
  politeness.Delay = std::chrono::milliseconds(std::max(0, config::Read(store, robot, config::key::kDelayMs)));
  return politeness;
}

TPoliteGate::TPoliteGate(TPoliteness politeness, TLog log) : politeness_(politeness), log_(std::move(log)) {}

bool TPoliteGate::Admit(std::string_view url, const std::atomic<bool>* stop) {
  const network::TUrlParts parts = network::CutUrl(url);
  if (parts.Scheme != "http" && parts.Scheme != "https") return true;
  const std::string origin = OriginOf(parts);
  THost& host = HostFor(origin);
  if (politeness_.RobotsTxt) {
    if (!ReadRules(host, origin, stop)) return false;
    const std::string target = parts.Query.empty() ? parts.Path : parts.Path + "?" + parts.Query;
    if (!RobotsAllowed(host.Rules, target)) {
      Refused(std::string(url));
      return false;
    }
  }
  return TakeTurn(host, stop);
}

TPoliteGate::THost& TPoliteGate::HostFor(const std::string& origin) {
  const std::lock_guard<std::mutex> guard(mutex_);
  std::unique_ptr<THost>& host = hosts_[origin];
  if (!host) {
    host = std::make_unique<THost>();
    host->Interval = politeness_.Delay;
  }
  return *host;
}

bool TPoliteGate::ReadRules(THost& host, const std::string& origin, const std::atomic<bool>* stop) {
  const std::lock_guard<std::mutex> rulesGuard(host.RulesLock);
  if (host.RulesRead) return true;
  // The robots.txt request is one of the host's requests: it takes a turn like the others.
  if (!TakeTurn(host, stop)) return false;
  const std::string robotsUrl = origin + "/robots.txt";
  TRobotsAnswer answer = FetchRobotsTxt(robotsUrl, stop);
  if (Stopped(stop)) return false;
  if (answer.Unavailable) log_("robots.txt inaccessible " + robotsUrl);
  host.Rules = std::move(answer.Rules);
  host.RulesRead = true;
  if (host.Rules.CrawlDelay) {
    const std::lock_guard<std::mutex> guard(mutex_);
    host.Interval = std::max(host.Interval, *host.Rules.CrawlDelay);
    // The turn after the robots.txt already waits for the site's own delay.
    host.NextTurn = std::max(host.NextTurn, TClock::now() + host.Interval);
  }
  return true;
}

bool TPoliteGate::TakeTurn(THost& host, const std::atomic<bool>* stop) {
  TClock::time_point turn;
  {
    const std::lock_guard<std::mutex> guard(mutex_);
    turn = std::max(TClock::now(), host.NextTurn);
    host.NextTurn = turn + host.Interval;
  }
  for (TClock::time_point now = TClock::now(); now < turn; now = TClock::now()) {
    if (Stopped(stop)) return false;
    std::this_thread::sleep_for(std::min<TClock::duration>(kStopPoll, turn - now));
  }
  return !Stopped(stop);
}

void TPoliteGate::Refused(const std::string& url) {
  bool first = false;
  {
    const std::lock_guard<std::mutex> guard(mutex_);
    first = refused_.insert(url).second;
  }
  if (first) log_("robots.txt interdit " + url);
}

std::shared_ptr<TPoliteGate> MakePoliteGate(const config::TConfigStore& store, std::string_view robot,
                                            base::TMainQueue& mainQueue, base::TLogPort& log) {
  const TPoliteness politeness = ReadPoliteness(store, robot);
  if (!politeness.RobotsTxt && politeness.Delay.count() == 0) return nullptr;
  return std::make_shared<TPoliteGate>(politeness, [&mainQueue, &log](const std::string& line) {
    mainQueue.Post([&log, line] { log.AppendLine(line); });
  });
}

TWebSiteSettings WithOwnGate(TWebSiteSettings settings, base::TRobotPorts& ports) {
  if (!settings.Gate) {
    const config::TConfigStore store(ports.home / config::kRobotConfigFile);
    settings.Gate = MakePoliteGate(store, settings.RobotName, ports.mainQueue, ports.log);
  }
  return settings;
}

network::TCancel GatedCancel(const std::atomic<bool>& flag, network::TRequestGate* gate) {
  return {&flag, network::TCancel::kDefaultGrace, gate};
}

}  // namespace varnelo::retrieval
