#pragma once

#include <memory>
#include <string>

#include "base/signal.h"

namespace varnelo::base {

// The two controls that show search engine answers; every other browser tab uses Explorer.
enum class TBrowserKind { Explorer, Mozilla };

// Command numbers of a command state change.
inline constexpr int kCommandForward = 1;
inline constexpr int kCommandBack = 2;

// One embedded browser control, as the core uses it. Main thread only: its operations are called
// there and its signals are raised there. A listener may destroy the browser; it then raises nothing
// more.
class TBrowser {
public:
  virtual ~TBrowser() = default;

  // Loads the page asynchronously; errors show inside the control.
  virtual void Navigate(const std::string& url) = 0;
  // Sends `postData` with POST and the header text `headers` exactly as given.
  virtual void NavigateWithPost(const std::string& url, const std::string& postData, const std::string& headers) = 0;
  virtual void GoBack() = 0;
  virtual void GoForward() = 0;
  // Ends the load under way, which then finishes as failed; nothing when none is.
  virtual void Stop() = 0;
  // Shows the control's home page (each control says what its home is).
  virtual void GoHome() = 0;
  // The HTML source of the document now loaded.
  virtual std::string DocumentSource() const = 0;
  // The address and the title of the page now shown.
  virtual std::string LocationUrl() const = 0;
  virtual std::string Title() const = 0;

  base::TSignal<const std::string& /*title*/> TitleChanged;
  base::TSignal<const std::string& /*url*/> AddressChanged;
  base::TSignal<> LoadStarted;
  // Every load ends with it, also one that failed (ok false) or was stopped (ok false).
  base::TSignal<bool /*ok*/> LoadFinished;
  // kCommandForward or kCommandBack, and whether that move is possible now.
  base::TSignal<int /*command*/, bool /*enabled*/> CommandStateChanged;
};

// The front end's port that makes the browser of a new result tab.
class TBrowserFactory {
public:
  virtual ~TBrowserFactory() = default;
  // None when the control cannot be created (the Mozilla control may be missing).
  virtual std::unique_ptr<TBrowser> CreateBrowser(TBrowserKind kind) = 0;
};

}  // namespace varnelo::base
