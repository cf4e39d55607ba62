#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/robot_ports.h"
#include "base/worker.h"
#include "network/http_operations.h"
#include "network/request_gate.h"
#include "retrieval/mht_archive.h"

namespace varnelo::retrieval {

// The worker of one work item of a "Download Specified Web/Ftp/News pages" robot: each HTML page of
// its URL list is saved with what it links to on its site as an MHT archive, any other document is
// saved in the temporary directory and opened. Progress goes to the work item every third URL. A stop
// lets the URL in hand finish within a grace; one still busy then is dropped, to be done again.
class TThreadRobotWebFtpNews : public base::TWorker {
public:
  // Reads the robot's settings; the runner starts the thread with TWorker::Start. `gate`, shared by the
  // workers of one run, holds back every request; without one the worker makes its own when the robot's
  // settings ask for it.
  TThreadRobotWebFtpNews(base::TRobotPorts& ports, std::string robotName, std::string workItemKey,
                         std::deque<std::string> urls, std::shared_ptr<network::TRequestGate> gate = nullptr);

  // For the runner's end handler (main thread, once the body has returned).
  const std::string& RobotName() const { return robotName_; }
  const std::string& WorkItemKey() const { return workItemKey_; }
  const std::string& FirstUrl() const { return firstUrl_; }
  const std::string& LastUrl() const { return lastUrl_; }
  const std::string& LastUrlDone() const { return lastUrlDone_; }
  const std::deque<std::string>& RemainingUrls() const { return urls_; }
  size_t UrlsDone() const { return urlsDone_; }
  bool Aborted() const { return aborted_; }
  // The archive saved last (or attempted: a failed write keeps its path), empty when none.
  const std::filesystem::path& ArchivePath() const { return archivePath_; }
  // Why the last archive or document could not be written; empty when it was.
  const std::string& SaveError() const { return saveError_; }
  // The pages archived so far.
  const std::vector<std::string>& Sites() const { return sites_; }

  const std::string& SaveDirectory() const { return saveDirectory_; }
  bool SeeOnScreen() const { return seeOnScreen_; }

protected:
  void Execute() override;

private:
  // Each is false when the stop's grace ran out before the URL was through: nothing of it was kept.
  // `cut` is that grace's end, given to every transfer of the URL.
  bool ProcessUrl(const std::string& url, const std::atomic<bool>& cut);
  bool ArchivePage(const std::string& bookmarkUrl, const std::string& pageUrl, const network::THttpDocument& page,
                   const std::atomic<bool>& cut);
  void SaveArchive(const std::string& pageUrl, const tstringlistimp& archive);
  // `cut` is raised once the URL's grace is spent: its transfers get no grace of their own on top.
  network::TCancel Graceless(const std::atomic<bool>& cut) const;
  // Where a document that is not a page is saved (the system's temporary directory).
  std::filesystem::path DocumentFile(const std::string& documentUrl, const std::string& mimeType) const;
  // Hands a saved document to the user's default program.
  void OpenDocument(const std::filesystem::path& file);
  void Log(const std::string& line);
  void ShowArchive(const std::string& bookmarkUrl);
  void RecordDone(const std::string& url);

  base::TRobotPorts& ports_;
  std::string robotName_;
  std::string workItemKey_;
  std::deque<std::string> urls_;
  std::shared_ptr<network::TRequestGate> gate_;
  std::string firstUrl_;
  std::string lastUrl_;

  std::string saveDirectory_;
  bool seeOnScreen_ = false;
  // Read like the robot's other settings; this worker's behaviour does not depend on them.
  bool sendToScript_ = false;
  std::string scriptName_;
  bool saveToDirectory_ = false;
  bool saveToMht_ = false;

  std::string lastUrlDone_;
  size_t urlsDone_ = 0;
  bool aborted_ = false;
  std::filesystem::path archivePath_;
  std::string saveError_;
  std::vector<std::string> sites_;
};

}  // namespace varnelo::retrieval
