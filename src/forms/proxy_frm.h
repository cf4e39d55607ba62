#pragma once

#include <string>
#include <string_view>

#include "base/field_change.h"

namespace varnelo::network {

// The system proxy dialog without its window: the four values every HTTP client takes its proxy from.
class TProxyFrm {
public:
  static constexpr std::string_view kCaption = "Définition d'un serveur de proxy pour IE";

  enum class TField { Proxy, UseProxy, User, Password, Closed };
  base::TChangeSignal<TField> Changed;

  // Fills the fields from the stored values, as stored ("Proxy" is not cut into entries).
  void Open();
  // "OK": writes ProxyEnable, ProxyServer, ProxyUser and ProxyPassword in that order and tells the
  // dialog to close. A value that cannot be written raises config::EConfigWriteError; the values
  // written before it stay, the later ones are not written, and the dialog stays open.
  void ClickOk();
  // "Annuler": closes without change.
  void ClickCancel();

  bool Closed() const { return closed_; }

  std::string Proxy;         // "Proxy"
  bool UseProxy = false;     // "Utiliser un proxy"
  std::string User;          // "Usager"
  std::string Password;      // "Mot de passe"

private:
  auto Watch();

  bool closed_ = false;
};

}  // namespace varnelo::network
