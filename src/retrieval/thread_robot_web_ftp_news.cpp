#include "retrieval/thread_robot_web_ftp_news.h"

#include <chrono>
#include <fstream>
#include <limits>
#include <system_error>
#include <utility>

#include "base/delayed_flag.h"
#include "base/result_tabs.h"
#include "base/text.h"
#include "config/config_keys.h"
#include "config/config_store.h"
#include "config/work_item.h"
#include "parsing/html_parser.h"
#include "parsing/parse_url.h"
#include "retrieval/polite_gate.h"
#include "retrieval/store_paths.h"
#include "url/mime_types.h"
#include "url/url.h"
#include "url/url_escaping.h"

namespace varnelo::retrieval {

namespace {

// Every type is archived and the size limit is out of reach: the archive takes whatever the page links to.
constexpr std::string_view kAcceptEveryType = "*/*";
constexpr std::string_view kNoSizeLimit = "10000M";

// How long the URL in hand may go on after a stop: long enough for a page and its parts from a server
// that answers, short enough that with the flag's look (50 ms) and a socket's (100 ms) a stalled one
// still lets the stop end within a second.
constexpr std::chrono::milliseconds kUrlGrace{700};

constexpr std::filesystem::perms kExecuteBits =
    std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec | std::filesystem::perms::others_exec;

// The text cut into lines and joined again with CR LF after every line.
std::string WithCrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (const std::string& line : base::SplitLines(text)) out.append(line).append("\r\n");
  return out;
}

// The save directory when it exists, otherwise the system's temporary directory.
std::filesystem::path ArchiveRoot(const std::string& saveDirectory) {
  std::error_code error;
  if (!saveDirectory.empty() && std::filesystem::is_directory(saveDirectory, error)) return saveDirectory;
  return std::filesystem::temp_directory_path();
}

bool HasExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot + 1 < name.size();
}

}  // namespace

TThreadRobotWebFtpNews::TThreadRobotWebFtpNews(base::TRobotPorts& ports, std::string robotName,
                                               std::string workItemKey, std::deque<std::string> urls,
                                               std::shared_ptr<network::TRequestGate> gate)
    : base::TWorker(ports.mainQueue),
      ports_(ports),
      robotName_(std::move(robotName)),
      workItemKey_(std::move(workItemKey)),
      urls_(std::move(urls)),
      gate_(std::move(gate)),
      firstUrl_(urls_.empty() ? std::string() : urls_.front()),
      lastUrl_(urls_.empty() ? std::string() : urls_.back()) {
  const config::TConfigStore store(ports_.home / config::kRobotConfigFile);
  saveDirectory_ = config::Read(store, robotName_, config::key::kSaveDirectory);
  seeOnScreen_ = config::Read(store, robotName_, config::key::kSeeOnScreen);
  sendToScript_ = config::Read(store, robotName_, config::key::kSendToScript);
  scriptName_ = config::Read(store, robotName_, config::key::kScriptName);
  saveToDirectory_ = config::Read(store, robotName_, config::key::kSaveToDirectory);
  saveToMht_ = config::Read(store, robotName_, config::key::kSaveToMht);
  if (!gate_) gate_ = MakePoliteGate(store, robotName_, ports_.mainQueue, ports_.log);
}

network::TCancel TThreadRobotWebFtpNews::Graceless(const std::atomic<bool>& cut) const {
  return {&cut, std::chrono::milliseconds::zero(), gate_.get()};
}

void TThreadRobotWebFtpNews::Execute() {
  const base::TDelayedFlag cut(TerminatedFlag(), kUrlGrace);
  while (!urls_.empty()) {
    if (Terminated()) {
      aborted_ = true;
      return;
    }
    const std::string url = urls_.front();
    if (!ProcessUrl(url, cut.Flag())) {
      // Left first in the list, so that the work item resumes with it.
      aborted_ = true;
      return;
    }
    RecordDone(url);
  }
}

// After each transfer: one that returned once the grace was over may have been cut anywhere, even with
// an answer in hand, so nothing it brought is used.
bool TThreadRobotWebFtpNews::ProcessUrl(const std::string& url, const std::atomic<bool>& cut) {
  std::string finalUrl = url;
  std::int64_t contentLength = 0;
  std::string mimeType;
  const bool resolved = network::HttpResolveFinal(finalUrl, contentLength, mimeType, Graceless(cut));
  if (cut.load()) return false;
  if (!resolved) return true;
  // A page is held to be archived; any other document streams to its file, so that its size costs
  // no memory.
  std::filesystem::path file;
  std::ofstream out;
  const auto sinkFor = [&](const network::THttpClient& client) -> network::THttpClient::TBodySink {
    if (IsHtmlType(client.MimeType)) return {};
    file = DocumentFile(finalUrl, client.MimeType);
    // The old file goes first, so that none of its permissions (an execute bit) carries over to the
    // downloaded bytes.
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    out.open(file, std::ios::binary | std::ios::trunc);
    return [&out](std::string_view bytes) {
      return bool(out.write(bytes.data(), std::streamsize(bytes.size())));
    };
  };
  const network::THttpDocument document =
      network::HttpGetDocument(finalUrl, Graceless(cut), sinkFor, std::numeric_limits<std::int64_t>::max());
  std::error_code error;
  if (cut.load()) {
    if (!file.empty()) {
      out.close();
      std::filesystem::remove(file, error);
    }
    return false;
  }
  if (!document.FaultLine.empty()) Log(document.FaultLine);
  if (file.empty()) return !document.Success || ArchivePage(url, finalUrl, document, cut);
  out.close();
  saveError_.clear();
  if (!document.Success || out.fail()) {
    if (out.fail()) saveError_ = "Unable to write to " + file.string();
    std::filesystem::remove(file, error);
    return true;
  }
  OpenDocument(file);
  return true;
}

bool TThreadRobotWebFtpNews::ArchivePage(const std::string& bookmarkUrl, const std::string& pageUrl,
                                         const network::THttpDocument& page, const std::atomic<bool>& cut) {
  sites_.push_back(pageUrl);
  parsing::TParseURL extractor(nullptr, {std::string(kAcceptEveryType)}, std::string(kNoSizeLimit), true, page.Body,
                               false, nullptr, nullptr, sites_, Graceless(cut));
  extractor.ExtractLinks(pageUrl);
  if (cut.load()) return false;

  tstringlistimp archive;
  BeginArchive(archive, pageUrl);
  AddHtmlPart(nullptr, archive, parsing::THTMLParser::GetHTML(extractor.Parser.Root()), pageUrl, page.MimeType);
  // Linked parts go in as fetched: one archive holds the page and what it links to directly.
  for (const std::string& link : extractor.Found().Items()) {
    const network::THttpDocument part = network::HttpGetDocument(link, Graceless(cut));
    if (cut.load()) return false;
    if (!part.FaultLine.empty()) Log(part.FaultLine);
    if (!part.Success) continue;
    if (IsHtmlType(part.MimeType)) {
      AddHtmlPart(nullptr, archive, WithCrLfLines(part.Body), link, part.MimeType);
    } else {
      AddBinaryPart(nullptr, archive, part.Body, link, part.MimeType);
    }
  }
  EndArchive(archive);
  SaveArchive(pageUrl, archive);
  if (seeOnScreen_) ShowArchive(bookmarkUrl);
  return true;
}

void TThreadRobotWebFtpNews::SaveArchive(const std::string& pageUrl, const tstringlistimp& archive) {
  url page;
  ParseUrl(pageUrl, page);
  const std::string directory = DirectoryUnder(ArchiveRoot(saveDirectory_), page.Host, page.Dir);
  const std::string fileName = page.FileName.empty() ? "index.html" : SingleFileName(EscapeForFileName(page.FileName));
  archivePath_ = directory + fileName + ".mht";
  saveError_.clear();
  try {
    std::filesystem::create_directories(directory);
    archive.SaveToFile(archivePath_);
  } catch (const std::exception& error) {
    // The worker goes on with its next URL; the failure stays with it and is not shown.
    saveError_ = error.what();
  }
}

void TThreadRobotWebFtpNews::ShowArchive(const std::string& bookmarkUrl) {
  const std::string archive = archivePath_.string();
  const std::string caption = bookmarkUrl + " (" + archive + " )";
  base::TResultTabs& tabs = ports_.tabs;
  Synchronize([&] {
    const base::TTabId tab = tabs.OpenResultTab(base::TTabTemplate::WebBrowser, this, robotName_, caption);
    tabs.Navigate(tab, "file://" + archive);
  });
}

std::filesystem::path TThreadRobotWebFtpNews::DocumentFile(const std::string& documentUrl,
                                                           const std::string& mimeType) const {
  url record;
  ParseUrl(documentUrl, record);
  std::string name = EscapeAllFileNameChars(record.FileName);
  if (!HasExtension(name)) name += ExtensionForType(mimeType, ".txt");
  return std::filesystem::temp_directory_path() / SingleFileName(name);
}

void TThreadRobotWebFtpNews::OpenDocument(const std::filesystem::path& file) {
  // Covers a file put back meanwhile by someone else: downloaded bytes are never executable.
  std::error_code error;
  std::filesystem::permissions(file, kExecuteBits, std::filesystem::perm_options::remove, error);
  if (error) {
    saveError_ = error.message();
    return;
  }
  base::TShellOpenPort& shellOpen = ports_.shellOpen;
  MainQueue().Post([&shellOpen, file] { shellOpen.OpenDocument(file); });
}

void TThreadRobotWebFtpNews::Log(const std::string& line) {
  Synchronize([&] { ports_.log.AppendLine(line); });
}

void TThreadRobotWebFtpNews::RecordDone(const std::string& url) {
  lastUrlDone_ = url;
  urls_.pop_front();
  ++urlsDone_;
  ReportItemsDone();
  if (urlsDone_ % 3 != 0) return;
  const bool last = urls_.empty();
  const config::TWorkItem item{firstUrl_, lastUrl_, last ? url : urls_.front(),
                               std::string(last ? config::kProcessingDone : config::kProcessing)};
  config::TConfigStore(ports_.home / config::kRobotConfigFile).WriteString(robotName_, workItemKey_, config::FormatWorkItem(item));
}

}  // namespace varnelo::retrieval
