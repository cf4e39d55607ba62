#include "gui/base/web_browser.h"

#include <optional>
#include <string_view>
#include <utility>

#include <QByteArray>
#include <QStandardPaths>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "gui/base/loopback_guard.h"
#include "gui/base/text.h"

namespace varnelo::gui {
namespace {

QUrl ToUrl(const std::string& url) {
  // Tolerant: a file path with blanks or UTF-8 letters is still the page meant.
  return QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::TolerantMode);
}

// Each line of `headers` (cut at every CR and LF) that has a name before its colon, name and value as
// written but for the blanks after the colon.
void AddHeaderLines(QWebEngineHttpRequest& request, std::string_view headers) {
  while (!headers.empty()) {
    const size_t end = headers.find_first_of("\r\n");
    const std::string_view line = headers.substr(0, end);
    headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 1);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    request.setHeader(QByteArray(line.data(), static_cast<qsizetype>(colon)),
                      QByteArray(value.data(), static_cast<qsizetype>(value.size())));
  }
}

}  // namespace

TWebStorage TWebStorage::UserFolders() {
  const std::filesystem::path cache = PathFromQ(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation));
  const std::filesystem::path data = PathFromQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
  return {cache / "varnelo" / "webengine", data / "varnelo" / "webengine"};
}

TWebProfile::TWebProfile(const TWebStorage& storage, base::TDialogsPort& dialogs)
    : dialogs_(dialogs), profile_(new QWebEngineProfile(QStringLiteral("varnelo"), this)) {
  profile_->setCachePath(PathToQ(storage.cache));
  profile_->setPersistentStoragePath(PathToQ(storage.data));
  profile_->setUrlRequestInterceptor(new TLoopbackGuard(this));
  connect(profile_, &QWebEngineProfile::downloadRequested, this, &TWebProfile::DownloadRequested);
}

TWebProfile::~TWebProfile() = default;

void TWebProfile::DownloadRequested(QWebEngineDownloadRequest* download) {
  const std::filesystem::path downloads =
      PathFromQ(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
  const std::optional<std::filesystem::path> target =
      dialogs_.ChooseSaveFile("Enregistrer sous", "All (*)", downloads / PathFromQ(download->downloadFileName()));
  if (!target || target->filename().empty()) {
    download->cancel();
    return;
  }
  download->setDownloadDirectory(PathToQ(target->parent_path()));
  download->setDownloadFileName(PathToQ(target->filename()));
  download->accept();
}

TWebBrowser::TWebBrowser(TWebProfile& profile, base::TBrowserKind kind) : view_(new QWebEngineView) {
  view_->setPage(new QWebEnginePage(&profile.Profile(), view_));
  if (kind == base::TBrowserKind::Mozilla) {
    QWebEngineSettings* settings = view_->page()->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
  }
  connect(view_, &QWebEngineView::loadStarted, this, [this] {
    const TInViewSignal inSignal(*this);
    LoadStarted();
  });
  connect(view_, &QWebEngineView::loadFinished, this, &TWebBrowser::Finished);
  connect(view_, &QWebEngineView::titleChanged, this, [this](const QString& title) {
    const TInViewSignal inSignal(*this);
    TitleChanged(FromQ(title));
  });
  connect(view_, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
    const TInViewSignal inSignal(*this);
    const std::weak_ptr<bool> alive = alive_;
    AddressChanged(url.toEncoded().toStdString());
    if (!alive.expired()) TellHistory();
  });
}

TWebBrowser::~TWebBrowser() {
  // Nothing of the view reaches this object any more, neither a signal nor the source's answer.
  alive_.reset();
  if (view_ != nullptr) {
    disconnect(view_, nullptr, this, nullptr);
    // A view is not deleted while it raises a signal: a listener of that signal destroyed this.
    if (*inViewSignal_ > 0) {
      view_->hide();
      view_->setParent(nullptr);
      view_->deleteLater();
    } else {
      delete view_.data();
    }
  }
}

void TWebBrowser::Navigate(const std::string& url) {
  if (view_ != nullptr) view_->load(ToUrl(url));
}

void TWebBrowser::NavigateWithPost(const std::string& url, const std::string& postData, const std::string& headers) {
  if (view_ == nullptr) return;
  QWebEngineHttpRequest request(ToUrl(url), QWebEngineHttpRequest::Post);
  request.setPostData(QByteArray(postData.data(), static_cast<qsizetype>(postData.size())));
  AddHeaderLines(request, headers);
  view_->load(request);
}

void TWebBrowser::GoBack() {
  if (view_ != nullptr) view_->back();
}

void TWebBrowser::GoForward() {
  if (view_ != nullptr) view_->forward();
}

void TWebBrowser::Stop() {
  if (view_ != nullptr) view_->stop();
}

void TWebBrowser::GoHome() {
  Navigate("about:blank");
}

std::string TWebBrowser::LocationUrl() const {
  return view_ == nullptr ? std::string() : view_->url().toEncoded().toStdString();
}

std::string TWebBrowser::Title() const {
  return view_ == nullptr ? std::string() : FromQ(view_->title());
}

void TWebBrowser::Finished(bool ok) {
  if (view_ == nullptr) return;
  // The end is told once the source is here, so a listener can read it at once.
  const std::weak_ptr<bool> alive = alive_;
  view_->page()->toHtml([this, alive, ok](const QString& html) {
    if (alive.expired()) return;
    source_ = FromQ(html);
    if (!TellHistory()) return;
    LoadFinished(ok);
  });
}

bool TWebBrowser::TellHistory() {
  if (view_ == nullptr) return true;
  const std::weak_ptr<bool> alive = alive_;
  const bool canGoBack = view_->history()->canGoBack();
  const bool canGoForward = view_->history()->canGoForward();
  if (canGoBack != canGoBack_) {
    canGoBack_ = canGoBack;
    CommandStateChanged(base::kCommandBack, canGoBack);
    if (alive.expired()) return false;
  }
  if (canGoForward != canGoForward_) {
    canGoForward_ = canGoForward;
    CommandStateChanged(base::kCommandForward, canGoForward);
    if (alive.expired()) return false;
  }
  return true;
}

std::unique_ptr<base::TBrowser> TWebBrowserFactory::CreateBrowser(base::TBrowserKind kind) {
  return std::make_unique<TWebBrowser>(profile_, kind);
}

}  // namespace varnelo::gui
