#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <QObject>
#include <QPointer>
#include <QWebEngineView>

#include "base/browser.h"
#include "base/dialogs_port.h"

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace varnelo::gui {

// Where the program's web storage lives: the user's XDG cache and data folders, never the home.
struct TWebStorage {
  std::filesystem::path cache;
  std::filesystem::path data;
  // "varnelo" under $XDG_CACHE_HOME and $XDG_DATA_HOME.
  static TWebStorage UserFolders();
};

// The one web profile of the program, shared by every browser. A download that a page starts is
// saved where the user chooses (the chooser opens on the Downloads folder), never opened; a cancelled
// chooser means no download.
class TWebProfile : public QObject {
  Q_OBJECT
public:
  TWebProfile(const TWebStorage& storage, base::TDialogsPort& dialogs);
  ~TWebProfile() override;

  QWebEngineProfile& Profile() { return *profile_; }

private:
  void DownloadRequested(QWebEngineDownloadRequest* download);

  base::TDialogsPort& dialogs_;
  QWebEngineProfile* profile_;
};

// A browser control on a QWebEngineView, for either kind. The browser owns its view; the view may sit
// in any container meanwhile (one that is destroyed first takes the view with it). Home is the blank
// page "about:blank". The Mozilla kind posts queries through a local page, so its local pages may
// reach the web, but not other local files.
class TWebBrowser : public QObject, public base::TBrowser {
  Q_OBJECT
public:
  explicit TWebBrowser(TWebProfile& profile, base::TBrowserKind kind = base::TBrowserKind::Explorer);
  ~TWebBrowser() override;

  // None once a container destroyed it.
  QWebEngineView* View() const { return view_; }

  void Navigate(const std::string& url) override;
  void NavigateWithPost(const std::string& url, const std::string& postData, const std::string& headers) override;
  void GoBack() override;
  void GoForward() override;
  void Stop() override;
  void GoHome() override;
  std::string DocumentSource() const override { return source_; }
  std::string LocationUrl() const override;
  std::string Title() const override;

private:
  void Finished(bool ok);
  // Raises CommandStateChanged for each move whose state differs from the last one told; false when a
  // listener destroyed the browser.
  bool TellHistory();

  // Counts the view's signals under way; the count outlives the browser for the signal's return.
  class TInViewSignal {
  public:
    explicit TInViewSignal(TWebBrowser& browser) : count_(browser.inViewSignal_) { ++*count_; }
    ~TInViewSignal() { --*count_; }
    TInViewSignal(const TInViewSignal&) = delete;
    TInViewSignal& operator=(const TInViewSignal&) = delete;

  private:
    std::shared_ptr<int> count_;
  };

  QPointer<QWebEngineView> view_;
  std::shared_ptr<int> inViewSignal_ = std::make_shared<int>(0);
  std::string source_;
  bool canGoBack_ = false;
  bool canGoForward_ = false;
  // Expires with the browser: what runs later (the page source's answer, a signal's listener) looks
  // at it first.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Makes a TWebBrowser for both kinds: the Mozilla control is never missing here.
class TWebBrowserFactory : public base::TBrowserFactory {
public:
  explicit TWebBrowserFactory(TWebProfile& profile) : profile_(profile) {}
  std::unique_ptr<base::TBrowser> CreateBrowser(base::TBrowserKind kind) override;

private:
  TWebProfile& profile_;
};

}  // namespace varnelo::gui
