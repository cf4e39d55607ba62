#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/browser.h"
#include "base/main_queue.h"

namespace varnelo::results {

// A browser without a window, for the command line and the tests: it loads "http" and "https" pages
// with the program's HTTP client and "file:" URLs from disk, on a thread of its own, and reports the
// end of each load on the main thread. It runs no script; a "file:" URL of postproxy.html is answered
// by doing what that page does: posting its body to its target as a form. Its home is the address of
// the first page it was asked to show (fetched with GET, even when that page was posted), about:blank
// before any; its title is the text of the document's first title element.
class THeadlessBrowser : public base::TBrowser {
public:
  explicit THeadlessBrowser(base::TMainQueue& mainQueue);
  // Stops a load under way (within a second) and waits for the loading thread.
  ~THeadlessBrowser() override;
  THeadlessBrowser(const THeadlessBrowser&) = delete;
  THeadlessBrowser& operator=(const THeadlessBrowser&) = delete;

  void Navigate(const std::string& url) override;
  // The header text is cut at CR and LF into header lines; empty ones are dropped.
  void NavigateWithPost(const std::string& url, const std::string& postData, const std::string& headers) override;
  void GoBack() override;
  void GoForward() override;
  // The document shown before the stopped load stays.
  void Stop() override;
  void GoHome() override;
  // What the last completed load gave: the body of the answer (empty when the load failed), the
  // address it came from (after a 302 or 303) and the title found in the body.
  std::string DocumentSource() const override { return source_; }
  std::string LocationUrl() const override { return location_; }
  std::string Title() const override { return title_; }

  // One entry of the history: what a navigation asked for.
  struct TRequest {
    std::string url;
    bool post = false;
    std::string body;
    std::vector<std::string> headerLines;
  };
  struct TLoaded {
    std::string source;
    std::string location;
    bool ok = false;
  };

private:
  struct TShared;

  void Go(TRequest request);
  void Load();
  void StartThread();
  // Main thread: the end of load `generation`.
  void Loaded(std::uint64_t generation, TLoaded loaded);
  // Raises the signals of a finished load, until a listener destroys the browser.
  void RaiseLoaded(bool addressChanged, bool titleChanged, bool ok);

  base::TMainQueue& mainQueue_;
  std::vector<TRequest> history_;
  size_t current_ = 0;
  // The address GoHome shows; empty until the first navigation.
  std::string home_;
  bool loading_ = false;
  std::string source_;
  std::string location_;
  std::string title_;
  std::shared_ptr<TShared> shared_;
  std::thread thread_;
};

// Makes a headless browser for either control.
class THeadlessBrowserFactory : public base::TBrowserFactory {
public:
  explicit THeadlessBrowserFactory(base::TMainQueue& mainQueue) : mainQueue_(mainQueue) {}
  std::unique_ptr<base::TBrowser> CreateBrowser(base::TBrowserKind kind) override;

private:
  base::TMainQueue& mainQueue_;
};

}  // namespace varnelo::results
