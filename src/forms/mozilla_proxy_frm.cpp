#include "forms/mozilla_proxy_frm.h"

#include <tuple>

namespace varnelo::network {

auto TfrmMozillaProxy::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Profiles, profileNames_), Field(TField::Selected, selected_),
                           Field(TField::DefaultProxyLabel, defaultLabel_), Field(TField::HttpProxyIp, HttpProxyIp),
                           Field(TField::HttpProxyPort, HttpProxyPort), Field(TField::Activate, Activate),
                           Field(TField::Closed, closed_));
  });
}

TfrmMozillaProxy::TfrmMozillaProxy(base::TDialogsPort& dialogs, std::filesystem::path firefoxFolder)
    : dialogs_(dialogs), firefoxFolder_(std::move(firefoxFolder)) {}

void TfrmMozillaProxy::Open() {
  const auto watch = Watch();
  const std::vector<TFirefoxProfile> profiles = ReadFirefoxProfiles(firefoxFolder_);
  profileNames_.clear();
  for (const TFirefoxProfile& profile : profiles) profileNames_.push_back(profile.Name);
  selected_.reset();
  defaultLabel_ = kDefaultLabel;
  closed_ = false;
  if (const std::optional<size_t> index = DefaultProfileIndex(profiles)) {
    selected_ = index;
    defaultLabel_ = "Default proxy is: " + profileNames_[*index];
    Load(*index);
  }
}

void TfrmMozillaProxy::ClickProfile(size_t index) {
  const auto watch = Watch();
  if (index >= profileNames_.size()) return;
  selected_ = index;
  Load(index);
}

void TfrmMozillaProxy::Load(size_t index) {
  HttpProxyIp.clear();
  HttpProxyPort.clear();
  Activate = false;
  const TFirefoxProxy proxy = LoadProfileInfo(firefoxFolder_, profileNames_[index]);
  HttpProxyIp = proxy.Host;
  HttpProxyPort = proxy.Port;
  Activate = proxy.Enabled;
}

void TfrmMozillaProxy::ClickSave() {
  const auto watch = Watch();
  if (!selected_) {
    dialogs_.MessageBox(kNoProfileMessage, base::kApplicationTitle, base::TDialogsPort::TIcon::None);
    return;
  }
  SaveProfileInfo(firefoxFolder_, profileNames_[*selected_], {HttpProxyIp, HttpProxyPort, Activate});
  closed_ = true;
}

void TfrmMozillaProxy::ClickCancel() {
  const auto watch = Watch();
  closed_ = true;
}

}  // namespace varnelo::network
