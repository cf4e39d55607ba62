#include "network/proxy_frm.h"

#include "network/internet_settings.h"

namespace varnelo::network {

void TProxyFrm::Open() {
  const TInternetSettings settings = ReadInternetSettings();
  Proxy = settings.ProxyServer;
  UseProxy = settings.ProxyEnable;
  User = settings.ProxyUser;
  Password = settings.ProxyPassword;
  closed_ = false;
}

void TProxyFrm::ClickOk() {
  // Clients reread the file at every creation, so there is no one to tell that it changed.
  WriteInternetSettings({UseProxy, Proxy, User, Password});
  closed_ = true;
}

}  // namespace varnelo::network
