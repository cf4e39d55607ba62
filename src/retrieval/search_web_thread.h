#pragma once

#include <string>
#include <vector>

#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/worker.h"
#include "network/cancel.h"
#include "retrieval/crawl_engine.h"
#include "retrieval/keyword_search.h"
#include "retrieval/web_site_settings.h"

namespace varnelo::retrieval {

// The master of a keyword search crawl: opens the result list tab, then visits the site with up to
// three page workers, each searching its page for the phrase and queueing the page's links.
class TSearchWebThread : public base::TWorker {
public:
  TSearchWebThread(base::TRobotPorts& ports, TWebSiteSettings settings);

  const TWebSiteSettings& Settings() const { return settings_; }
  // The result list tab; 0 until the master opened it.
  base::TTabId Tab() const { return tab_; }

protected:
  void Execute() override;

private:
  // The termination request and the crawl's gate, for every transfer of the crawl.
  network::TCancel Cancel() const;
  void VisitPage(TCrawlState& state, const std::string& pageUrl);
  void AddRows(std::vector<base::TListRow> rows);

  base::TRobotPorts& ports_;
  const TWebSiteSettings settings_;
  TResultFiles resultFiles_;
  base::TTabId tab_ = 0;
};

}  // namespace varnelo::retrieval
