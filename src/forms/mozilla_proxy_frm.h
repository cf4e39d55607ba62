#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "network/firefox_profiles.h"

namespace varnelo::network {

// The Firefox proxy dialog without its window: the HTTP proxy preferences of one profile's prefs.js.
class TfrmMozillaProxy {
public:
  static constexpr std::string_view kCaption = "Configuration des proxys pour firefox";
  static constexpr std::string_view kNote = "Tous les instances de firefox doivent être fermées ";
  static constexpr std::string_view kDefaultLabel = "Proxy par défaut:";
  static constexpr std::string_view kNoProfileMessage = "Please Select a Profile";

  TfrmMozillaProxy(base::TDialogsPort& dialogs, std::filesystem::path firefoxFolder = FirefoxFolder());

  enum class TField { Profiles, Selected, DefaultProxyLabel, HttpProxyIp, HttpProxyPort, Activate, Closed };
  base::TChangeSignal<TField> Changed;

  // Lists the profiles of profiles.ini, selects the first default one, names it in the label and
  // loads it. Raises EFirefoxPrefsError when that profile's prefs.js cannot be read.
  void Open();
  // A click on a profile of the list: selects it and loads its preferences into the fields. Raises
  // EFirefoxPrefsError when its prefs.js cannot be read.
  void ClickProfile(size_t index);
  // "Enregistrer": writes the three preferences of the selected profile and closes; without a
  // selection, says so and writes nothing. Raises EFirefoxPrefsError when the file cannot be read or
  // written, leaving it as it was.
  void ClickSave();
  // "Annuler": closes without change.
  void ClickCancel();

  // "Mozilla Profiles": the section names, in file order.
  const std::vector<std::string>& Profiles() const { return profileNames_; }
  std::optional<size_t> Selected() const { return selected_; }
  const std::string& DefaultProxyLabel() const { return defaultLabel_; }
  bool Closed() const { return closed_; }

  std::string HttpProxyIp;    // "Http Proxy IP"
  std::string HttpProxyPort;  // "Http Proxy Port"
  bool Activate = false;      // "Activer ce proxy"

private:
  auto Watch();
  void Load(size_t index);

  base::TDialogsPort& dialogs_;
  std::filesystem::path firefoxFolder_;
  std::vector<std::string> profileNames_;
  std::optional<size_t> selected_;
  std::string defaultLabel_{kDefaultLabel};
  bool closed_ = false;
};

}  // namespace varnelo::network
