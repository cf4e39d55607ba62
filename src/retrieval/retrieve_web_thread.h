#pragma once

#include <memory>
#include <string>

#include "base/robot_ports.h"
#include "base/worker.h"
#include "network/cancel.h"
#include "retrieval/crawl_engine.h"
#include "retrieval/mht_archive.h"
#include "retrieval/warc_file.h"
#include "retrieval/web_site_settings.h"

namespace varnelo::retrieval {

// Log lines of a backup.
inline constexpr std::string_view kMhtSaveError = "Error saving file. Filename could be bad";
inline constexpr std::string_view kZipError = "Error in Add; Fatal DLL Exception in mainunit";
inline constexpr std::string_view kWarcCreateError = "Error creating WARC file: ";

// The master of a web site backup: visits the site with up to three page workers that store every page
// in the page store (same-host links rewritten to the stored copies), shows the first page in a
// browser tab, and at the end writes the MHT archive and the zip archive when the robot asks for them.
// With WarcFile set, every page's exchange also goes into a WARC file as the crawl goes.
class TRetrieve : public base::TWorker {
public:
  // Reads the robot's MhtFile, zipFile and WarcFile settings.
  TRetrieve(base::TRobotPorts& ports, TWebSiteSettings settings);

  const TWebSiteSettings& Settings() const { return settings_; }
  // The browser tab of the first page; 0 until it was opened.
  base::TTabId Tab() const { return tab_; }

protected:
  void Execute() override;

private:
  // The termination request and the crawl's gate, for every transfer of the crawl.
  network::TCancel Cancel() const;
  void VisitPage(TCrawlState& state, const std::string& pageUrl, bool firstPage);
  void ShowFirstPage(const std::string& storePath);
  void WriteArchives();
  void Log(std::string_view line);

  base::TRobotPorts& ports_;
  const TWebSiteSettings settings_;
  std::string mhtPath_;
  std::string zipPath_;
  std::string warcPath_;
  std::unique_ptr<TWarcFile> warc_;
  tstringlistimp archive_;
  base::TTabId tab_ = 0;
};

}  // namespace varnelo::retrieval
