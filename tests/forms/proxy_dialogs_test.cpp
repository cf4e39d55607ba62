#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/config_store.h"
#include "forms/mozilla_proxy_frm.h"
#include "forms/proxy_frm.h"
#include "network/internet_settings.h"
#include "network/network_error.h"
#include "support/change_recorder.h"
#include "support/recording_ports.h"
#include "support/scoped_environment.h"
#include "support/temp_home.h"

namespace varnelo::network {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using TShown = test::TRecordingDialogs::TShown;

class ProxyFrmTest : public ::testing::Test {
protected:
  ProxyFrmTest() { environment_.Set("XDG_CONFIG_HOME", config_.Path().string()); }

  fs::path SettingsFile() const { return config_.Path() / "varnelo" / "internet-settings.ini"; }

  test::TTempDir config_;
  test::TScopedEnvironment environment_;
};

TEST_F(ProxyFrmTest, OpensOnTheStoredValuesUncut) {
  fs::create_directories(SettingsFile().parent_path());
  test::WriteFile(SettingsFile(),
                  "[Internet Settings]\r\nProxyEnable=-1\r\nProxyServer=ftp=a:21;http=b:8080\r\n"
                  "ProxyUser=u\r\nProxyPassword=p w\r\n");
  TProxyFrm form;
  form.Open();
  EXPECT_EQ(form.Proxy, "ftp=a:21;http=b:8080");
  EXPECT_TRUE(form.UseProxy);
  EXPECT_EQ(form.User, "u");
  EXPECT_EQ(form.Password, "p w");
}

TEST_F(ProxyFrmTest, MissingFileOpensEmpty) {
  TProxyFrm form;
  form.Open();
  EXPECT_EQ(form.Proxy, "");
  EXPECT_FALSE(form.UseProxy);
  EXPECT_EQ(form.User, "");
  EXPECT_EQ(form.Password, "");
}

TEST_F(ProxyFrmTest, OkWritesTheFourValuesInOrderAndCloses) {
  TProxyFrm form;
  form.Open();
  form.Proxy = "p:3128";
  form.UseProxy = true;
  form.User = "u";
  form.Password = "s";
  form.ClickOk();
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(test::ReadFile(SettingsFile()),
            "[Internet Settings]\r\nProxyEnable=-1\r\nProxyServer=p:3128\r\nProxyUser=u\r\nProxyPassword=s\r\n");
  // The next client takes the new proxy.
  EXPECT_EQ(ReadClientProxy().Host, "p");

  form.UseProxy = false;
  form.ClickOk();
  EXPECT_EQ(config::TConfigStore(SettingsFile()).ReadString("Internet Settings", "ProxyEnable", ""), "0");
  EXPECT_EQ(ReadClientProxy().Host, "");
}

TEST_F(ProxyFrmTest, UnwritableSettingsRaiseAndKeepTheDialogOpen) {
  fs::create_directories(SettingsFile());  // a folder where the file should be
  TProxyFrm form;
  form.Proxy = "p:1";
  EXPECT_THROW(form.ClickOk(), config::EConfigWriteError);
  EXPECT_FALSE(form.Closed());
}

TEST_F(ProxyFrmTest, CancelClosesWithoutWriting) {
  TProxyFrm form;
  form.Proxy = "p:1";
  form.ClickCancel();
  EXPECT_TRUE(form.Closed());
  EXPECT_FALSE(fs::exists(SettingsFile()));
}

class MozillaProxyFrmTest : public ::testing::Test {
protected:
  void WriteProfiles(std::string_view text) { test::WriteFile(folder_.Path() / "profiles.ini", text); }
  void WritePrefs(std::string_view profileDir, std::string_view text) {
    fs::create_directories(folder_.Path() / profileDir);
    test::WriteFile(folder_.Path() / profileDir / "prefs.js", text);
  }
  std::string Prefs(std::string_view profileDir) { return test::ReadFile(folder_.Path() / profileDir / "prefs.js"); }

  test::TTempDir folder_;
  test::TRecordingDialogs dialogs_;
};

constexpr std::string_view kTwoProfiles =
    "[General]\r\nStartWithLastProfile=1\r\n"
    "[Profile0]\r\nName=work\r\nIsRelative=1\r\nPath=w.work\r\n"
    "[Profile1]\r\nName=home\r\nIsRelative=1\r\nPath=h.home\r\nDefault=1\r\n";

TEST_F(MozillaProxyFrmTest, OpensOnTheDefaultProfile) {
  WriteProfiles(kTwoProfiles);
  WritePrefs("w.work", "user_pref(\"network.proxy.http\", \"1.1.1.1\");\r\n");
  WritePrefs("h.home",
             "user_pref(\"network.proxy.http\", \"10.0.0.2\");\r\nuser_pref(\"network.proxy.http_port\", 3128);\r\n"
             "user_pref(\"network.proxy.type\", 1);\r\n");
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  form.Open();
  EXPECT_THAT(form.Profiles(), ElementsAre("Profile0", "Profile1"));
  EXPECT_EQ(form.Selected(), 1u);
  EXPECT_EQ(form.DefaultProxyLabel(), "Default proxy is: Profile1");
  EXPECT_EQ(form.HttpProxyIp, "10.0.0.2");
  EXPECT_EQ(form.HttpProxyPort, "3128");
  EXPECT_TRUE(form.Activate);

  form.ClickProfile(0);
  EXPECT_EQ(form.Selected(), 0u);
  EXPECT_EQ(form.HttpProxyIp, "1.1.1.1");
  EXPECT_EQ(form.HttpProxyPort, "");
  EXPECT_FALSE(form.Activate);
}

TEST_F(MozillaProxyFrmTest, SaveRewritesTheSelectedProfileOnly) {
  WriteProfiles(kTwoProfiles);
  WritePrefs("w.work", "// first\nuser_pref(\"network.proxy.type\", 0);\nuser_pref(\"x\", 1);");
  WritePrefs("h.home", "unchanged\r\n");
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  form.Open();
  form.ClickProfile(0);
  form.HttpProxyIp = "192.168.0.9";
  form.HttpProxyPort = "8080";
  form.Activate = true;
  form.ClickSave();
  EXPECT_TRUE(form.Closed());
  EXPECT_EQ(Prefs("w.work"),
            "// first\r\nuser_pref(\"network.proxy.type\", 1);\r\nuser_pref(\"x\", 1);\r\n"
            "user_pref(\"network.proxy.http\", \"192.168.0.9\");\r\nuser_pref(\"network.proxy.http_port\", 8080);\r\n");
  EXPECT_EQ(Prefs("h.home"), "unchanged\r\n");
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MozillaProxyFrmTest, WithoutProfilesSaveAsksForOne) {
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  form.Open();
  EXPECT_TRUE(form.Profiles().empty());
  EXPECT_FALSE(form.Selected());
  EXPECT_EQ(form.DefaultProxyLabel(), "Proxy par défaut:");
  form.ClickSave();
  EXPECT_FALSE(form.Closed());
  EXPECT_THAT(dialogs_.messages,
              ElementsAre(TShown{"Please Select a Profile", "Varnelo", base::TDialogsPort::TIcon::None}));
}

TEST_F(MozillaProxyFrmTest, NoDefaultProfileSelectsNothing) {
  WriteProfiles("[General]\r\n[Profile0]\r\nName=a\r\nIsRelative=1\r\nPath=a\r\n");
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  form.Open();
  EXPECT_THAT(form.Profiles(), ElementsAre("Profile0"));
  EXPECT_FALSE(form.Selected());
  form.ClickSave();
  EXPECT_EQ(dialogs_.messages.size(), 1u);
}

TEST_F(MozillaProxyFrmTest, UnreadablePrefsRaiseAndLeaveTheFileAlone) {
  WriteProfiles("[General]\r\n[Profile0]\r\nName=a\r\nIsRelative=1\r\nPath=a\r\nDefault=1\r\n");
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  EXPECT_THROW(form.Open(), EFirefoxPrefsError);
  EXPECT_EQ(form.Selected(), 0u);
  EXPECT_THROW(form.ClickSave(), EFirefoxPrefsError);
  EXPECT_FALSE(form.Closed());
  EXPECT_FALSE(fs::exists(folder_.Path() / "a" / "prefs.js"));
}

TEST_F(ProxyFrmTest, OpeningTellsTheStoredValuesAndClosingOnce) {
  using TField = TProxyFrm::TField;
  WriteInternetSettings({true, "127.0.0.1:3128", "", ""});
  TProxyFrm form;
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.Open();
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Proxy, TField::UseProxy}));
  form.Open();
  form.ClickCancel();
  form.ClickCancel();
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Proxy, TField::UseProxy, TField::Closed}));
}

TEST_F(MozillaProxyFrmTest, ChoosingAProfileTellsTheSelectionAndItsValues) {
  using TField = TfrmMozillaProxy::TField;
  WriteProfiles(kTwoProfiles);
  WritePrefs("w.work", "user_pref(\"network.proxy.http\", \"127.0.0.1\");\n");
  WritePrefs("h.home", "");
  TfrmMozillaProxy form(dialogs_, folder_.Path());
  form.Open();
  test::TChangeRecorder<TField> recorder(form.Changed);
  form.ClickProfile(1);  // already selected, and read again the same
  form.ClickProfile(5);
  EXPECT_TRUE(recorder.changes.empty());
  form.ClickProfile(0);
  EXPECT_EQ(recorder.Fields(), (std::vector<TField>{TField::Selected, TField::HttpProxyIp}));
}

}  // namespace
}  // namespace varnelo::network
