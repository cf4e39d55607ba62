#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/robot_ports.h"
#include "base/worker.h"
#include "search/limitation.h"

namespace varnelo::search {

// The marker of "last word done" before any word is done.
inline constexpr std::string_view kNothingProcessed = "0Processed";

// One work item of a "Random Http Query" robot: queries the definition's site with each word of its
// range, fetches the URLs found in the result zone of the answer, cuts data out of each page and hands
// it to the robot's script. Progress goes to its work item key every third word.
class TThreadRandomHttpQuery : public base::TWorker {
public:
  // Reads dict, SendToScript and scriptname of the robot (main thread). `words` are the words still to
  // do; `threadNumber` is the N of the work item key thread<D>*<N>.
  TThreadRandomHttpQuery(base::TRobotPorts& ports, std::string robotName,
                         std::shared_ptr<const TLimitation> limitation, std::string firstWord,
                         std::deque<std::string> words, std::string threadNumber);

  // For the runner's end handler (main thread, once the body has returned).
  const std::string& RobotName() const { return robotName_; }
  const std::string& Dict() const { return dict_; }
  const std::string& ThreadNumber() const { return threadNumber_; }
  // thread<D>*<N>
  std::string WorkItemKey() const;
  const std::string& FirstWord() const { return firstWord_; }
  const std::string& LastWord() const { return lastWord_; }
  const std::string& LastWordDone() const { return lastWordDone_; }
  const std::deque<std::string>& RemainingWords() const { return words_; }
  bool Aborted() const { return aborted_; }
  const std::shared_ptr<const TLimitation>& Limitation() const { return limitation_; }

protected:
  void Execute() override;

private:
  // The answer to the word's query, fetched again while the probe host is silent; nothing when the
  // robot was stopped meanwhile.
  std::optional<std::vector<std::string>> FetchAnswer(const std::string& word);
  // Takes the URLs of the answer's result zone; false when the robot was stopped before the scan ended.
  bool ScanAnswer(const std::vector<std::string>& answer);
  void ProcessUrl(const std::string& url);
  void FinishWord(const std::string& word);
  void WriteProgress() const;
  void Abort();
  void Log(const std::string& line);

  base::TRobotPorts& ports_;
  const std::string robotName_;
  const std::shared_ptr<const TLimitation> limitation_;
  const std::string firstWord_;
  std::deque<std::string> words_;
  const std::string threadNumber_;
  std::string dict_;
  bool sendToScript_ = false;
  std::string scriptName_;
  std::string lastWord_;
  std::string lastWordDone_{kNothingProcessed};
  int wordsDone_ = 0;
  bool aborted_ = false;
  std::string currentUrl_;
  std::unordered_set<std::string> seenUrls_;
  std::vector<std::string> extractedItems_;
};

}  // namespace varnelo::search
