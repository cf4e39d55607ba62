#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/result_tabs.h"
#include "base/signal.h"

namespace varnelo::search {

// The engine menu button's caption before the user chooses a robot.
inline constexpr std::string_view kInitialChosenRobot = "Engins de recherches généraux";

// The quick search bar of the main window without its widgets: the chosen robot, GO, and the back and
// forward buttons that follow the browser of the current result tab. Main thread only.
class TQuickSearchBar {
public:
  // Starts a search engine run of `robot` with up to `count` workers and the words as typed.
  using TStartSearch = std::function<void(const std::string& robot, int count, const std::string& words)>;

  // Takes the command state changes of the tabs' browsers for as long as it lives.
  TQuickSearchBar(std::filesystem::path home, base::TResultTabs& tabs, TStartSearch startSearch);
  TQuickSearchBar(const TQuickSearchBar&) = delete;
  TQuickSearchBar& operator=(const TQuickSearchBar&) = delete;

  // The engine menu button's caption.
  const std::string& ChosenRobot() const { return chosenRobot_; }
  // A robot entry of the engine menu was chosen.
  void ChooseRobot(std::string caption);
  // "GO", or Enter in the search words field: a run of the chosen robot with its `nbsimul` workers.
  // No check that the robot exists or already runs: such a run starts nothing, or overlaps.
  void Go(const std::string& words);

  bool BackEnabled() const { return backEnabled_; }
  bool ForwardEnabled() const { return forwardEnabled_; }
  // A browser reports whether it can move forward (kCommandForward) or back (kCommandBack); only the
  // current tab's report counts.
  void CommandStateChanged(base::TTabId tab, int command, bool enabled);
  // The user switched tabs: the buttons show what the new tab's browser last reported.
  void CurrentTabChanged(base::TTabId tab);
  // Moves the current tab's browser through its history; nothing on other tabs.
  void Back();
  void Forward();

  // The chosen robot or a button changed, so that the front end shows them again.
  base::TSignal<> Changed;

private:
  // The current tab's browser; none when the current tab is not a browser tab.
  base::TBrowser* CurrentBrowser();

  std::filesystem::path home_;
  base::TResultTabs& tabs_;
  TStartSearch startSearch_;
  std::string chosenRobot_{kInitialChosenRobot};
  bool backEnabled_ = false;
  bool forwardEnabled_ = false;
  base::TConnection commandStates_;
};

}  // namespace varnelo::search
