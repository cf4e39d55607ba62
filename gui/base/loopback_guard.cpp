#include "gui/base/loopback_guard.h"

#include <QUrl>

#include "network/host_guard.h"

namespace varnelo::gui {

void TLoopbackGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
  const QUrl url = info.requestUrl();
  // Local pages (file:, data:, about:) reach no host.
  if (url.host().isEmpty()) return;
  if (!network::HostAllowed(url.host(QUrl::FullyEncoded).toStdString())) info.block(true);
}

}  // namespace varnelo::gui
