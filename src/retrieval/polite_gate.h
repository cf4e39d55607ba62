#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "base/log_port.h"
#include "base/main_queue.h"
#include "base/robot_ports.h"
#include "config/config_store.h"
#include "network/cancel.h"
#include "network/request_gate.h"
#include "retrieval/robots_txt.h"
#include "retrieval/web_site_settings.h"

namespace varnelo::retrieval {

// The most of a robots.txt that is read; the rest is ignored.
inline constexpr size_t kMaxRobotsTxtBytes = 512 * 1024;

// How politely a robot crawls: whether it reads and obeys each host's robots.txt, and the least time
// between two of its requests to one host.
struct TPoliteness {
  bool RobotsTxt = false;
  std::chrono::milliseconds Delay{0};
};

// The robot's RobotsTxt and DelayMs keys.
TPoliteness ReadPoliteness(const config::TConfigStore& store, std::string_view robot);

// The gate of one crawl, shared by all its workers. Per host (scheme, host and port) it reads
// robots.txt once, before anything else is asked of that host, refuses what it disallows (logging each
// URL once), and hands out turns so that two requests to the host start at least the delay apart: the
// robot's own, or the site's Crawl-delay when longer. A robots.txt that is missing or refused allows
// everything; one that cannot be had (a server error, no answer) allows everything too, and says so.
class TPoliteGate : public network::TRequestGate {
public:
  // Called with each log line, on the requesting thread.
  using TLog = std::function<void(const std::string& line)>;

  TPoliteGate(TPoliteness politeness, TLog log);

  bool Admit(std::string_view url, const std::atomic<bool>* stop) override;

private:
  using TClock = std::chrono::steady_clock;

  struct THost {
    std::mutex RulesLock;  // held while the robots.txt is fetched, so the others wait for its rules
    bool RulesRead = false;
    TRobotsRules Rules;
    // Under the gate's mutex.
    TClock::time_point NextTurn{};
    std::chrono::milliseconds Interval{0};
  };

  THost& HostFor(const std::string& origin);
  // False when the stop came first.
  bool ReadRules(THost& host, const std::string& origin, const std::atomic<bool>* stop);
  // Waits for the host's next turn; false when the stop came first.
  bool TakeTurn(THost& host, const std::atomic<bool>* stop);
  void Refused(const std::string& url);

  const TPoliteness politeness_;
  TLog log_;
  std::mutex mutex_;
  std::map<std::string, std::unique_ptr<THost>> hosts_;
  std::set<std::string> refused_;
};

// The gate of a crawl of `robot`, whose log lines go to `log` through the main queue; none when the
// robot asks for no politeness, so that its requests go out exactly as they always did.
std::shared_ptr<TPoliteGate> MakePoliteGate(const config::TConfigStore& store, std::string_view robot,
                                            base::TMainQueue& mainQueue, base::TLogPort& log);

// `settings` with a gate of its robot's own when it came with none.
TWebSiteSettings WithOwnGate(TWebSiteSettings settings, base::TRobotPorts& ports);

// The termination request `flag` with the default grace and `gate`.
network::TCancel GatedCancel(const std::atomic<bool>& flag, network::TRequestGate* gate);

}  // namespace varnelo::retrieval
