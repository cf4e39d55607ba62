#include <charconv>
#include <deque>
#include <optional>
#include <utility>

#include "config/config_keys.h"
#include "config/work_item.h"
#include "retrieval/thread_robot_web_ftp_news.h"
#include "runner/list_file.h"
#include "runner/robot_runner_impl.h"
#include "runner/work_item_plan.h"
#include "search/dictionary_register.h"
#include "search/thread_random_http_query.h"

namespace varnelo::runner {
namespace {

constexpr size_t kBookmarkChunk = 10;
constexpr std::string_view kBookmarkKeyPrefix = "file";

// The robot's work items of one list, in file order: the keys that begin with `stem`. Names are listed
// first and then read one by one: a listing of names holds far more keys than one of whole lines.
std::vector<TStoredItem> StoredItems(const config::TConfigStore& store, const std::string& robot,
                                     std::string_view stem) {
  std::vector<TStoredItem> items;
  for (std::string& key : store.ReadSection(robot)) {
    if (!key.starts_with(stem)) continue;
    std::string value = store.ReadString(robot, key, "");
    items.emplace_back(std::move(key), std::move(value));
  }
  return items;
}

// N of the key of section `bookmarks` that holds exactly `path`.
std::optional<int> RegisteredBookmarkFileNo(const config::TConfigStore& store, const std::string& path) {
  for (const std::string& line : store.ReadSectionValues(config::section::kBookmarks)) {
    const size_t equals = line.find('=');
    // A path holding "=" splits into more than two parts and never matches.
    if (equals == std::string::npos || line.find('=', equals + 1) != std::string::npos) continue;
    if (line.compare(equals + 1, std::string::npos, path) != 0) continue;
    const std::string_view key = std::string_view(line).substr(0, equals);
    int number = 0;
    if (!key.starts_with(kBookmarkKeyPrefix)) continue;
    const std::string_view digits = key.substr(kBookmarkKeyPrefix.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size()) return number;
  }
  return std::nullopt;
}

// N of a key "<stem>N", as the text after the first "*".
std::string ItemNumber(std::string_view key) {
  const size_t star = key.find('*');
  return star == std::string_view::npos ? std::string() : std::string(key.substr(star + 1));
}

// Reads the counter of a list's items and moves it on; the number of the new item.
int NextItemNumber(const config::TConfigStore& store, const std::string& robot, const std::string& counterKey) {
  return store.TakeNumber(robot, counterKey, 1);
}

// What an ended worker's item records: where it stands, and whether it stopped short of its last entry.
config::TWorkItem EndRecord(const std::string& first, const std::string& last, const std::string& lastDone,
                            const std::string& nextToDo) {
  if (lastDone != last) return {first, last, nextToDo, std::string(config::kNotProcessing)};
  return {first, last, last, std::string(config::kProcessingDone)};
}

// The entries of the list that earlier items finished: everything before the next new range but
// what the resumed items still have to do.
size_t DoneBefore(const TResumePlan& plan) {
  size_t pending = 0;
  for (const TResumedItem& item : plan.resumed) pending += item.entries.size();
  return plan.nextRangeStart > pending ? plan.nextRangeStart - pending : 0;
}

}  // namespace

void TRobotRunner::TImpl::StartNewRanges(const std::string& robot, const std::vector<std::string>& list, size_t start,
                                         size_t chunk, size_t count, const std::string& counterKey,
                                         const std::function<void(int, std::vector<std::string>)>& startItem) {
  const config::TConfigStore store = Store();
  for (size_t started = 0; started < count; ++started) {
    std::vector<std::string> range = TakeRange(list, start, chunk);
    if (range.empty()) {
      // The list is used up: the robot is idle, though workers of its last items may still run.
      Relabel(robot, TRobotList::kIdle);
      WriteRobotRunningConfig(robot);
      if (!Running(robot)) Log("Robot " + robot + " s'est terminé");
      return;
    }
    start += range.size();
    const bool partial = range.size() < chunk;
    startItem(NextItemNumber(store, robot, counterKey), std::move(range));
    if (partial) {
      Log("No more " + robot + " will be started");
      return;
    }
  }
}

bool TRobotRunner::TImpl::DividingRunGoesOn(const std::string& robot, const base::TWorker& worker, bool aborted) {
  if (!aborted && !worker.FatalException()) return true;
  if (!Running(robot)) {
    Relabel(robot, TRobotList::kIdle);
    WriteRobotRunningConfig(robot);
  }
  // A worker that failed would fail again on the same item: the run stops there instead of looping,
  // and the error reaches the application's error dialog.
  if (worker.FatalException()) std::rethrow_exception(worker.FatalException());
  return false;
}

// Specified pages.

int TRobotRunner::TImpl::AttributeBookmarkFileNo(const std::string& robot) {
  const config::TConfigStore store = Store();
  const std::string path = config::Read(store, robot, config::key::kBookmarkFile);
  int number = 0;
  // Looking the file up, taking its number and registering it are one locked step, so that two runs
  // at once neither give one number to two files nor register one file twice.
  store.RunLocked([&] {
    if (const std::optional<int> registered = RegisteredBookmarkFileNo(store, path)) {
      number = *registered;
      return;
    }
    number = config::Read(store, config::section::kGeneral, config::key::kNextNoBookmark);
    config::Write(store, config::section::kGeneral, config::key::kNextNoBookmark, number + 1);
    store.WriteString(config::section::kBookmarks, std::string(kBookmarkKeyPrefix) + std::to_string(number), path);
  });
  return number;
}

void TRobotRunner::TImpl::ResetBookmark(const std::string& robot, int bookmarkFile) {
  const config::TConfigStore store = Store();
  store.DeleteKey(robot, config::SpecifiedPagesCounterKey(bookmarkFile));
  const std::string stem = config::SpecifiedPagesItemStem(bookmarkFile);
  for (const std::string& key : store.ReadSection(robot)) {
    if (key.find(stem) != std::string::npos) store.DeleteKey(robot, key);
  }
}

void TRobotRunner::TImpl::ConfirmAndCreateThreadBookmark(const std::string& robot, int count) {
  if (ports_.dialogs.Question(kResetQuestion, kConfirmationCaption, false) == base::TDialogsPort::TAnswer::Yes) {
    ResetBookmark(robot, AttributeBookmarkFileNo(robot));
  }
  CreateThreadBookmark(robot, count);
}

void TRobotRunner::TImpl::CreateThreadBookmark(const std::string& robot, int count) {
  const config::TConfigStore store = Store();
  const int robotno = config::Read(store, robot, config::key::kRobotNo);
  const std::string bookmarkFile = config::Read(store, robot, config::key::kBookmarkFile);
  const int fileNo = AttributeBookmarkFileNo(robot);
  const std::vector<std::string> urls = LoadListFile(InHome(bookmarkFile));
  const size_t wanted = static_cast<size_t>(std::max(count, 0));

  const TResumePlan plan =
      PlanResume(urls, StoredItems(store, robot, config::SpecifiedPagesItemStem(fileNo)), wanted);
  for (const TResumedItem& item : plan.resumed) StartThreadBookmark(robot, robotno, item.first, item.entries, item.key);
  StartNewRanges(robot, urls, plan.nextRangeStart, kBookmarkChunk, wanted - plan.resumed.size(),
                 config::SpecifiedPagesCounterKey(fileNo), [&](int number, std::vector<std::string> range) {
                   const std::string first = range.front();
                   StartThreadBookmark(robot, robotno, first, std::move(range),
                                       config::SpecifiedPagesItemKey(fileNo, number));
                 });
  // After the starts, which begin the run's figures anew.
  progress_.SetList(robot, urls.size(), DoneBefore(plan));
}

void TRobotRunner::TImpl::StartThreadBookmark(const std::string& robot, int robotno, const std::string& firstUrl,
                                              std::vector<std::string> urls, const std::string& key) {
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ":" + firstUrl + ")");
  // The item is recorded at once, so that a chained start made before the worker's first progress
  // record does not take the same range again.
  const config::TWorkItem started{urls.front(), urls.back(), urls.front(), std::string(config::kProcessing)};
  Store().WriteString(robot, key, config::FormatWorkItem(started));
  auto worker = std::make_unique<retrieval::TThreadRobotWebFtpNews>(
      ports_, robot, key, std::deque<std::string>(urls.begin(), urls.end()), PoliteGate(robot));
  Launch<retrieval::TThreadRobotWebFtpNews>(
      robot, robotno, std::move(worker), [this](retrieval::TThreadRobotWebFtpNews& ended) { OnTerminateBookmark(ended); });
}

void TRobotRunner::TImpl::OnTerminateBookmark(retrieval::TThreadRobotWebFtpNews& worker) {
  const std::string& robot = worker.RobotName();
  const std::string nextToDo = worker.RemainingUrls().empty() ? worker.LastUrl() : worker.RemainingUrls().front();
  const config::TWorkItem record = EndRecord(worker.FirstUrl(), worker.LastUrl(), worker.LastUrlDone(), nextToDo);
  Store().WriteString(robot, worker.WorkItemKey(), config::FormatWorkItem(record));
  if (record.state == config::kNotProcessing) {
    Log("Thread " + robot + " starting with " + worker.FirstUrl() + " a été annulé. L'état a été enregistré");
  }
  ports_.tabs.PossibleToCloseTabsheet(&worker);
  if (DividingRunGoesOn(robot, worker, worker.Aborted())) CreateThreadBookmark(robot, 1);
}

// Random queries.

void TRobotRunner::TImpl::CreateThreadRandomHttpQuery(const std::string& robot, int count) {
  const config::TConfigStore store = Store();
  const int dict = config::Read(store, robot, config::key::kDictRunner);
  const int robotno = config::Read(store, robot, config::key::kRobotNo);
  const std::string dictionary = store.ReadString(config::section::kDictionary, search::DictionaryKey(dict), "");
  const std::vector<std::string> words = LoadListFile(InHome(dictionary));
  const std::shared_ptr<const search::TLimitation> limitation =
      search::TLimitation::LoadForRun(ports_.home, robot, ports_.dialogs);
  if (!limitation) return;
  // nbsimul 0 would divide by zero; such a robot starts nothing anyway, and its chained starts take
  // the whole list.
  const int simultaneous = std::max(config::Read(store, robot, config::key::kNbSimul), 1);
  const size_t chunk = std::max<size_t>(words.size() / static_cast<size_t>(simultaneous), 1);
  const size_t wanted = static_cast<size_t>(std::max(count, 0));

  const TResumePlan plan = PlanResume(words, StoredItems(store, robot, config::RandomQueryItemStem(dict)), wanted);
  for (const TResumedItem& item : plan.resumed) {
    StartRandomHttpQueryThread(robot, robotno, limitation, item.first, item.entries, ItemNumber(item.key), item.key);
  }
  StartNewRanges(robot, words, plan.nextRangeStart, chunk, wanted - plan.resumed.size(),
                 config::RandomQueryCounterKey(dict),
                 [&](int number, std::vector<std::string> range) {
                   const std::string first = range.front();
                   StartRandomHttpQueryThread(robot, robotno, limitation, first, std::move(range),
                                              std::to_string(number), config::RandomQueryItemKey(dict, number));
                 });
  // After the starts, which begin the run's figures anew.
  progress_.SetList(robot, words.size(), DoneBefore(plan));
}

void TRobotRunner::TImpl::StartRandomHttpQueryThread(const std::string& robot, int robotno,
                                                     const std::shared_ptr<const search::TLimitation>& limitation,
                                                     const std::string& firstWord, std::vector<std::string> words,
                                                     const std::string& itemNumber, const std::string& key) {
  if (!workerTable_.Running(robotno)) WriteRobotRunningConfig(robot, true);
  Relabel(robot, TRobotList::kWorking);
  Log("starting thread(" + robot + ":" + itemNumber + ")");
  const config::TWorkItem started{firstWord, words.back(), words.front(), std::string(config::kProcessing)};
  Store().WriteString(robot, key, config::FormatWorkItem(started));
  auto worker = std::make_unique<search::TThreadRandomHttpQuery>(
      ports_, robot, limitation, firstWord, std::deque<std::string>(words.begin(), words.end()), itemNumber);
  Launch<search::TThreadRandomHttpQuery>(
      robot, robotno, std::move(worker), [this](search::TThreadRandomHttpQuery& ended) { OnTerminateRandomHttpQuery(ended); });
}

void TRobotRunner::TImpl::OnTerminateRandomHttpQuery(search::TThreadRandomHttpQuery& worker) {
  const std::string& robot = worker.RobotName();
  const auto& remaining = worker.RemainingWords();
  const std::string nextToDo = remaining.empty() ? worker.LastWord() : remaining.front();
  const config::TWorkItem record = EndRecord(worker.FirstWord(), worker.LastWord(), worker.LastWordDone(), nextToDo);
  Store().WriteString(robot, worker.WorkItemKey(), config::FormatWorkItem(record));
  if (record.state == config::kNotProcessing) {
    Log("Thread " + robot + " " + worker.ThreadNumber() + " a été annulé.L'état a été enregistré");
  }
  if (DividingRunGoesOn(robot, worker, worker.Aborted())) CreateThreadRandomHttpQuery(robot, 1);
}

}  // namespace varnelo::runner
