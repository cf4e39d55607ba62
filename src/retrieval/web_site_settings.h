#pragma once

#include <memory>
#include <string>
#include <vector>

#include "network/request_gate.h"

namespace varnelo::retrieval {

// What a web site robot's crawl is given by the runner.
struct TWebSiteSettings {
  std::string RobotName;
  int RobotNo = 0;
  std::string SiteName;                    // WebSiteName: names the tab and the page store copy
  std::vector<std::string> Sites;          // the start URLs; the first one starts the crawl
  std::vector<std::string> AcceptedTypes;  // ContentType
  std::string MaxSize;                     // MaximalSize
  bool FollowLinks = true;
  std::string Keywords;                    // the phrase of a keyword search
  // What every request of the crawl passes (robots.txt, pacing); none: the worker makes its own from the
  // robot's settings, when they ask for one.
  std::shared_ptr<network::TRequestGate> Gate;
};

}  // namespace varnelo::retrieval
