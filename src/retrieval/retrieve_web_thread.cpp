#include "retrieval/retrieve_web_thread.h"

#include <optional>
#include <system_error>

#include "config/config_keys.h"
#include "config/config_store.h"
#include "parsing/parse_url.h"
#include "retrieval/fetch_page.h"
#include "retrieval/polite_gate.h"
#include "retrieval/page_store.h"
#include "retrieval/store_paths.h"
#include "retrieval/zip_packer.h"
#include "url/mime_types.h"
#include "url/url.h"

namespace varnelo::retrieval {
namespace {

std::string TrimmedSetting(const config::TConfigStore& store, std::string_view robot, const config::TStringKey& key) {
  std::string value = config::Read(store, robot, key);
  const size_t first = value.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const size_t last = value.find_last_not_of(" \t");
  return value.substr(first, last - first + 1);
}

}  // namespace

TRetrieve::TRetrieve(base::TRobotPorts& ports, TWebSiteSettings settings)
    : base::TWorker(ports.mainQueue), ports_(ports), settings_(WithOwnGate(std::move(settings), ports)) {
  const config::TConfigStore store(ports_.home / config::kRobotConfigFile);
  mhtPath_ = TrimmedSetting(store, settings_.RobotName, config::key::kMhtFile);
  zipPath_ = TrimmedSetting(store, settings_.RobotName, config::key::kZipFile);
  warcPath_ = TrimmedSetting(store, settings_.RobotName, config::key::kWarcFile);
}

network::TCancel TRetrieve::Cancel() const { return GatedCancel(TerminatedFlag(), settings_.Gate.get()); }

void TRetrieve::Execute() {
  if (settings_.Sites.empty()) return;
  BeginArchive(archive_, settings_.Sites.front());
  if (!warcPath_.empty()) {
    // A relative name is taken from the home, as every other file of the program.
    warc_ = TWarcFile::Create(ports_.home / warcPath_, settings_.RobotName);
    if (!warc_) Log(std::string(kWarcCreateError) + (ports_.home / warcPath_).string());
  }
  TCrawlState state(settings_.Sites);
  SeedCrawl(state, settings_.Sites.front(), Cancel());
  TCrawlEngine engine(
      state,
      [this, &state](const std::string& url, bool firstPage) {
        VisitPage(state, url, firstPage);
        ReportItemsDone();
      },
      [this](const std::string& line) { Log(line); });
  engine.Run(TerminatedFlag());
  WriteArchives();
}

void TRetrieve::VisitPage(TCrawlState& state, const std::string& pageUrl, bool firstPage) {
  // Files other than pages are never held: they stream to the store, and the archive takes them from there.
  TFetchedPage page = FetchPage(ports_.home, pageUrl, settings_.SiteName, CachedType(state, pageUrl),
                                parsing::SizeLimitBytes(settings_.MaxSize), true, Cancel(), warc_.get());
  if (!page.FaultLine.empty()) Log(page.FaultLine);
  if (!page.Success) return;
  url record;
  ParseUrl(pageUrl, record);
  // A 304 stores nothing (the stored copy is the page), and neither does a redirect answer: it has no
  // page of its own, and an empty file in its place could take the name of a directory the site needs.
  const bool storable = page.ResultCode >= 200 && page.ResultCode <= 299;
  const bool html = IsHtmlType(page.MimeType);

  std::optional<parsing::TParseURL> extractor;
  if (html) {
    extractor.emplace(&state.Lock, settings_.AcceptedTypes, settings_.MaxSize, true, page.Body, false, &state.Cache,
                      &state.Found, state.Sites, Cancel());
    extractor->ExtractLinks(pageUrl);
  }
  if (storable && !page.Stored) {
    if (html && extractor->Modified) {
      SaveTextToStore(ports_.home, record, parsing::THTMLParser::GetHTML(extractor->Parser.Root()),
                      settings_.SiteName, page.LastModified);
    } else {
      SaveStreamToStore(ports_.home, record, page.Body, settings_.SiteName, page.LastModified);
    }
  }
  if (firstPage) ShowFirstPage(page.StorePath);
  if (mhtPath_.empty()) return;
  const bool inFile = !html && !page.BodyFile.empty();
  if (firstPage) {
    const std::lock_guard<std::mutex> guard(state.Lock);
    if (inFile) {
      AddFirstPart(archive_, page.MimeType, pageUrl, page.BodyFile);
    } else {
      AddFirstPart(archive_, page.MimeType, html ? &extractor->Parser.Root() : nullptr, pageUrl, page.Body);
    }
  } else if (html) {
    AddHtmlPart(&state.Lock, archive_, parsing::THTMLParser::GetHTML(extractor->Parser.Root()), pageUrl,
                page.MimeType);
  } else if (inFile) {
    AddBinaryFilePart(&state.Lock, archive_, page.BodyFile, pageUrl, page.MimeType);
  } else {
    AddBinaryPart(&state.Lock, archive_, page.Body, pageUrl, page.MimeType);
  }
}

void TRetrieve::ShowFirstPage(const std::string& storePath) {
  Synchronize([&] {
    tab_ = ports_.tabs.OpenResultTab(base::TTabTemplate::WebBrowser, this, settings_.RobotName,
                                     "Web Site: " + settings_.SiteName);
    ports_.tabs.Navigate(tab_, "file://" + storePath);
  });
}

void TRetrieve::WriteArchives() {
  if (!mhtPath_.empty()) {
    EndArchive(archive_);
    try {
      archive_.SaveToFile(mhtPath_);
    } catch (const std::system_error&) {
      Log(kMhtSaveError);
    }
  }
  if (!zipPath_.empty()) {
    const std::filesystem::path siteFolder = ports_.home / kPageStoreFolder / settings_.SiteName;
    if (!PackSiteCopy(zipPath_, siteFolder)) Log(kZipError);
  }
}

void TRetrieve::Log(std::string_view line) {
  Synchronize([&] { ports_.log.AppendLine(line); });
}

}  // namespace varnelo::retrieval
