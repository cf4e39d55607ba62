#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace varnelo::gui {

// The loopback-only guard of the tests and benchmarks, for the embedded browser too: while it is on,
// a page's request to any host but loopback is blocked before it leaves, as the program's own client
// refuses it. Off, it lets everything through.
class TLoopbackGuard : public QWebEngineUrlRequestInterceptor {
  Q_OBJECT
public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void interceptRequest(QWebEngineUrlRequestInfo& info) override;
};

}  // namespace varnelo::gui
