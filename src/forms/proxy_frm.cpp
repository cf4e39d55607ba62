#include "forms/proxy_frm.h"

#include <tuple>

#include "network/internet_settings.h"

namespace varnelo::network {

auto TProxyFrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Proxy, Proxy), Field(TField::UseProxy, UseProxy), Field(TField::User, User),
                           Field(TField::Password, Password), Field(TField::Closed, closed_));
  });
}

void TProxyFrm::Open() {
  const auto watch = Watch();
  const TInternetSettings settings = ReadInternetSettings();
  Proxy = settings.ProxyServer;
  UseProxy = settings.ProxyEnable;
  User = settings.ProxyUser;
  Password = settings.ProxyPassword;
  closed_ = false;
}

void TProxyFrm::ClickOk() {
  const auto watch = Watch();
  // Clients reread the file at every creation, so there is no one to tell that it changed.
  WriteInternetSettings({UseProxy, Proxy, User, Password});
  closed_ = true;
}

void TProxyFrm::ClickCancel() {
  const auto watch = Watch();
  closed_ = true;
}

}  // namespace varnelo::network
