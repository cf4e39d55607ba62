#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/browser.h"

namespace varnelo::test {

// A browser that counts its history moves and reports the command states the test makes it report.
class THistoryBrowser : public base::TBrowser {
public:
  void Navigate(const std::string&) override {}
  void NavigateWithPost(const std::string&, const std::string&, const std::string&) override {}
  void GoBack() override { ++backs; }
  void GoForward() override { ++forwards; }
  void Stop() override {}
  void GoHome() override {}
  std::string DocumentSource() const override { return {}; }
  std::string LocationUrl() const override { return {}; }
  std::string Title() const override { return {}; }

  void Report(int command, bool enabled) const { CommandStateChanged(command, enabled); }

  int backs = 0;
  int forwards = 0;
};

// Makes history browsers and keeps a pointer to each, in the order made.
class THistoryBrowserFactory : public base::TBrowserFactory {
public:
  std::unique_ptr<base::TBrowser> CreateBrowser(base::TBrowserKind) override {
    auto browser = std::make_unique<THistoryBrowser>();
    made.push_back(browser.get());
    return browser;
  }
  std::vector<THistoryBrowser*> made;
};

}  // namespace varnelo::test
