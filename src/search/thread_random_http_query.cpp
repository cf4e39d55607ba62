#include "search/thread_random_http_query.h"

#include <chrono>
#include <thread>
#include <utility>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "config/work_item.h"
#include "network/http_operations.h"
#include "network/ping_host.h"
#include "scripting/logged_script_run.h"
#include "search/definition_keys.h"
#include "search/query_marker.h"

namespace varnelo::search {
namespace {

using TClock = std::chrono::steady_clock;

// Where no ICMP socket can be opened the probe fails at once; a failed fetch is then tried again no
// more often than this, so that a dead site does not keep a core busy.
constexpr std::chrono::milliseconds kRetryRound{250};
constexpr std::chrono::milliseconds kStopPoll{10};

// Documents that hold no data worth cutting out.
bool IsSkippedDocument(std::string_view url) {
  if (url.size() < 4) return false;
  std::string tail(url.substr(url.size() - 4));
  for (char& c : tail) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return tail == ".PDF" || tail == ".PPT" || tail == ".DOC";
}

// Empty once the blanks and control characters around it are removed.
bool IsBlankLine(std::string_view line) {
  for (const char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

bool ContainsSpamWord(const std::vector<std::string>& page, const std::vector<std::string>& spamWords) {
  if (page.empty()) return false;
  std::string text;
  for (const std::string& line : page) text.append(line).append("\r\n");
  for (const std::string& word : spamWords) {
    if (!word.empty() && text.find(word) != std::string::npos) return true;
  }
  return false;
}

// The data cut out of a fetched page, or nothing when a spam word rejects it.
std::optional<std::vector<std::string>> ExtractItems(const TLimitation& limitation,
                                                     const std::vector<std::string>& page) {
  if (!limitation.DataExpressionPresent()) {
    size_t kept = page.size();
    while (kept > 0 && IsBlankLine(page[kept - 1])) --kept;
    return std::vector<std::string>(page.begin(), page.begin() + std::ptrdiff_t(kept));
  }
  if (ContainsSpamWord(page, limitation.SpamWords())) return std::nullopt;
  std::vector<std::string> items;
  for (const std::string& line : page) {
    for (std::string& item : limitation.FindData(line)) items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

TThreadRandomHttpQuery::TThreadRandomHttpQuery(base::TRobotPorts& ports, std::string robotName,
                                               std::shared_ptr<const TLimitation> limitation, std::string firstWord,
                                               std::deque<std::string> words, std::string threadNumber)
    : base::TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      limitation_(std::move(limitation)),
      firstWord_(std::move(firstWord)),
      words_(std::move(words)),
      threadNumber_(std::move(threadNumber)),
      lastWord_(words_.empty() ? std::string() : words_.back()) {
  const config::TConfigStore store(ports_.home / config::kRobotConfigFile);
  dict_ = config::Read(store, robotName_, config::key::kDictRandomQueryWorker);
  sendToScript_ = config::Read(store, robotName_, config::key::kSendToScript);
  scriptName_ = config::Read(store, robotName_, config::key::kScriptName);
}

std::string TThreadRandomHttpQuery::WorkItemKey() const { return "thread" + dict_ + "*" + threadNumber_; }

void TThreadRandomHttpQuery::Execute() {
  if (!limitation_) throw ELimitationNotLoaded();
  while (!words_.empty()) {
    const std::string word = words_.front();
    const std::optional<std::vector<std::string>> answer = FetchAnswer(word);
    // A stop seen after the scan may have cut a page short: the word is then done again on resume.
    if (!answer || !ScanAnswer(*answer) || Terminated()) {
      Abort();
      return;
    }
    FinishWord(word);
  }
  Log("ending thread(" + robotName_ + ":" + threadNumber_ + ")");
}

std::optional<std::vector<std::string>> TThreadRandomHttpQuery::FetchAnswer(const std::string& word) {
  currentUrl_ = ReplaceQueryMarker(limitation_->QueryUrl(), word);
  const std::string probeHost = network::ReachabilityHost();
  std::vector<std::string> lines;
  // The retry has no bound in time; only a stop ends it.
  while (true) {
    const TClock::time_point roundEnd = TClock::now() + kRetryRound;
    std::string faultLine;
    if (network::HttpGetLines(currentUrl_, lines, &TerminatedFlag(), &faultLine)) return lines;
    if (!faultLine.empty()) Log(faultLine);
    if (Terminated()) return std::nullopt;
    if (network::PingHost(probeHost, &TerminatedFlag()) >= 0) return std::vector<std::string>{};
    while (!Terminated() && TClock::now() < roundEnd) std::this_thread::sleep_for(kStopPoll);
    if (Terminated()) return std::nullopt;
  }
}

bool TThreadRandomHttpQuery::ScanAnswer(const std::vector<std::string>& answer) {
  const std::string& type = limitation_->LimitationType();
  // Without a start rule the result zone begins at the first line. A type that is neither of the two
  // always waits for a start line, and without a start word none comes.
  bool beforeStart = !((type == kStandardType && !limitation_->StartWordPresent()) ||
                       (type == kRegularExpressionType && !limitation_->StartExpressionPresent()));
  seenUrls_.clear();
  for (const std::string& line : answer) {
    if (Terminated()) return false;
    if (beforeStart && limitation_->StartTest(line)) {
      beforeStart = false;
      continue;
    }
    if (limitation_->EndTest(line)) break;
    if (beforeStart) continue;
    for (const std::string& url : limitation_->FindUrls(line)) {
      if (Terminated()) return false;
      ProcessUrl(url);
    }
  }
  return true;
}

void TThreadRandomHttpQuery::ProcessUrl(const std::string& url) {
  if (!seenUrls_.insert(url).second) return;
  if (IsSkippedDocument(url)) return;
  currentUrl_ = url;
  std::vector<std::string> page;
  std::string faultLine;
  const bool fetched = network::HttpGetLines(currentUrl_, page, &TerminatedFlag(), &faultLine);
  if (!faultLine.empty()) Log(faultLine);
  // A page cut short by a stop is not handed on: the word is done again when the run resumes.
  if (!fetched || Terminated()) return;
  Log(robotName_ + ":" + threadNumber_ + ":" + currentUrl_);
  std::optional<std::vector<std::string>> items = ExtractItems(*limitation_, page);
  if (!items) return;
  extractedItems_ = std::move(*items);
  if (!sendToScript_) return;
  if (limitation_->DataExpressionPresent() &&
      static_cast<long long>(extractedItems_.size()) > limitation_->ExtractedItemsLimit()) {
    return;
  }
  scripting::RunLoggedScript(ports_, currentUrl_, &extractedItems_, scriptName_, &TerminatedFlag());
}

void TThreadRandomHttpQuery::FinishWord(const std::string& word) {
  lastWordDone_ = word;
  Log("Finished word " + word + " in thread" + threadNumber_);
  words_.pop_front();
  ++wordsDone_;
  ReportItemsDone();
  if (wordsDone_ % 3 == 0) WriteProgress();
}

void TThreadRandomHttpQuery::WriteProgress() const {
  const bool lastDone = lastWordDone_ == lastWord_ || words_.empty();
  const config::TWorkItem item{firstWord_, lastWord_, lastDone ? lastWordDone_ : words_.front(),
                               std::string(lastDone ? config::kProcessingDone : config::kProcessing)};
  config::TConfigStore(ports_.home / config::kRobotConfigFile)
      .WriteString(robotName_, WorkItemKey(), config::FormatWorkItem(item));
}

void TThreadRandomHttpQuery::Abort() {
  Log("thread(" + robotName_ + ":" + threadNumber_ + ") aborted");
  aborted_ = true;
}

void TThreadRandomHttpQuery::Log(const std::string& line) {
  Synchronize([&] { ports_.log.AppendLine(line); });
}

}  // namespace varnelo::search
