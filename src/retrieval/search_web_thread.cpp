#include "retrieval/search_web_thread.h"

#include "base/text.h"
#include "parsing/parse_url.h"
#include "retrieval/fetch_page.h"
#include "retrieval/polite_gate.h"
#include "retrieval/keyword_search.h"
#include "url/mime_types.h"

namespace varnelo::retrieval {

TSearchWebThread::TSearchWebThread(base::TRobotPorts& ports, TWebSiteSettings settings)
    : base::TWorker(ports.mainQueue),
      ports_(ports),
      settings_(WithOwnGate(std::move(settings), ports)),
      resultFiles_(ports_.home) {}

network::TCancel TSearchWebThread::Cancel() const { return GatedCancel(TerminatedFlag(), settings_.Gate.get()); }

void TSearchWebThread::Execute() {
  if (settings_.Sites.empty()) return;
  TCrawlState state(settings_.Sites);
  SeedCrawl(state, settings_.Sites.front(), Cancel());
  Synchronize([this] {
    tab_ = ports_.tabs.OpenResultTab(base::TTabTemplate::ListView, nullptr, settings_.RobotName,
                                     "Web Site: " + settings_.SiteName);
  });
  TCrawlEngine engine(
      state,
      [this, &state](const std::string& url, bool) {
        VisitPage(state, url);
        ReportItemsDone();
      },
      [this](const std::string& line) { Synchronize([&] { ports_.log.AppendLine(line); }); });
  engine.Run(TerminatedFlag());
}

void TSearchWebThread::VisitPage(TCrawlState& state, const std::string& pageUrl) {
  TFetchedPage page = FetchPage(ports_.home, pageUrl, settings_.SiteName, CachedType(state, pageUrl),
                                parsing::SizeLimitBytes(settings_.MaxSize), false, Cancel());
  if (!page.FaultLine.empty()) Synchronize([&] { ports_.log.AppendLine(page.FaultLine); });
  if (!page.Success) return;
  std::filesystem::path resultFile;
  const auto resultFileFor = [&]() -> std::filesystem::path {
    if (resultFile.empty()) resultFile = resultFiles_.For(pageUrl);
    return resultFile;
  };
  // A page's hits go to the tab in one hand-over, once its result page is written.
  std::vector<base::TListRow> rows;
  const auto addRow = [&](const std::string& url, const std::string& line) {
    rows.push_back({url, {line}, resultFileFor()});
  };
  if (IsHtmlType(page.MimeType)) {
    parsing::TParseURL extractor(&state.Lock, settings_.AcceptedTypes, settings_.MaxSize, settings_.FollowLinks,
                                 page.Body, true, &state.Cache, &state.Found, state.Sites, Cancel());
    const bool searched = KeywordSearch(extractor.Parser.Root(), settings_.Keywords, pageUrl, resultFileFor, addRow);
    AddRows(std::move(rows));
    if (!searched) return;
    extractor.ExtractLinks(pageUrl);
  } else if (IsTextType(page.MimeType)) {
    std::vector<std::string> lines = base::SplitLines(page.Body);
    KeywordSearch(lines, settings_.Keywords, pageUrl, resultFileFor, addRow);
    AddRows(std::move(rows));
  }
}

void TSearchWebThread::AddRows(std::vector<base::TListRow> rows) {
  if (rows.empty()) return;
  Synchronize([&] { ports_.tabs.AddRows(tab_, std::move(rows)); });
}

}  // namespace varnelo::retrieval
