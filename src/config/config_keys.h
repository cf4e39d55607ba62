#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_store.h"

namespace varnelo::config {

// A key together with the default its reader passes. Where readers of one key pass different
// defaults, each reader has its own descriptor, named after it.
struct TStringKey {
  std::string_view name;
  std::string_view defaultValue;
};
struct TIntegerKey {
  std::string_view name;
  int defaultValue;
};
struct TBoolKey {
  std::string_view name;
  bool defaultValue;
};

std::string Read(const TConfigStore& store, std::string_view section, const TStringKey& key);
int Read(const TConfigStore& store, std::string_view section, const TIntegerKey& key);
bool Read(const TConfigStore& store, std::string_view section, const TBoolKey& key);
void Write(const TConfigStore& store, std::string_view section, const TStringKey& key, std::string_view value);
void Write(const TConfigStore& store, std::string_view section, const TIntegerKey& key, int value);
void Write(const TConfigStore& store, std::string_view section, const TBoolKey& key, bool value);

// The configuration file of every robot, in the home directory.
inline constexpr std::string_view kRobotConfigFile = "robotconfig.ini";

namespace section {
inline constexpr std::string_view kGeneral = "general";
inline constexpr std::string_view kDictionary = "dictionary";
inline constexpr std::string_view kBookmarks = "bookmarks";
// The one section of a search engine robot's `activeengine` file.
inline constexpr std::string_view kEngineActivity = "engineactivity";
}  // namespace section

// The robots of a configuration file: every section in file order except exactly "general" and
// exactly "dictionary" (a section "General" is a robot).
std::vector<std::string> RobotSections(const std::vector<std::string>& sections);

namespace key {
// [general]
inline constexpr TIntegerKey kNextRobotAtStartup{"nextrobot", 1};
inline constexpr TIntegerKey kNextRobotForNewRobot{"nextrobot", 0};
inline constexpr TStringKey kNextNoDic{"nextnodic", "1"};
inline constexpr TIntegerKey kNextNoBookmark{"nextNoBookmark", 0};
inline constexpr TStringKey kBrowser{"browser", "firefox"};
inline constexpr TStringKey kSpamWord{"spamword", ""};
inline constexpr TIntegerKey kMaxExtractedItemsRandomQuery{"maxextractedItems", 100000000};
inline constexpr TStringKey kMaxExtractedItemsAntiSpamDialog{"MaxExtractedItems", ""};
inline constexpr TStringKey kOutputDir{"outputdir", "c:\\"};

// Keys common to every robot section.
inline constexpr TStringKey kName{"name", ""};
inline constexpr TIntegerKey kNbSimul{"nbsimul", 1};
inline constexpr TStringKey kDataFromRunner{"DataFrom", ""};
inline constexpr TStringKey kDataFromEditor{"DataFrom", "Download Specified Web/Ftp/News pages"};
inline constexpr TStringKey kDataFromRename{"DataFrom", "Search engine functionality"};
inline constexpr TIntegerKey kRobotNo{"robotno", 0};
inline constexpr TBoolKey kRunning{"running", false};
inline constexpr TStringKey kIconFile{"iconfile", ""};
inline constexpr TStringKey kCategory{"Category", "General"};
inline constexpr TIntegerKey kDictRunner{"dict", 0};
inline constexpr TIntegerKey kDictEditor{"dict", 1};
inline constexpr TStringKey kDictRandomQueryWorker{"dict", "1"};

// Keys of the robot kinds, with the defaults of the runner and the workers.
inline constexpr TBoolKey kSendToScript{"SendToScript", false};
inline constexpr TStringKey kScriptName{"ScriptName", ""};
inline constexpr TBoolKey kSeeOnScreen{"SeeOnScreen", false};
inline constexpr TBoolKey kAllRSSInOneWindow{"AllRSSInOneWindow", false};
inline constexpr TStringKey kKeywords{"Keywords", ""};
inline constexpr TStringKey kContentType{"ContentType", "*/*"};
inline constexpr TStringKey kMaximalSize{"MaximalSize", "10000M"};
inline constexpr TStringKey kWebSiteName{"WebSiteName", "Web site Name"};
inline constexpr TBoolKey kFollowLinks{"FollowLinks", false};
inline constexpr TStringKey kMhtFile{"MhtFile", ""};
inline constexpr TStringKey kZipFile{"zipFile", ""};
// A backup's WARC file (absolute, or relative to the home); empty makes none.
inline constexpr TStringKey kWarcFile{"WarcFile", ""};
inline constexpr TStringKey kBookmarkFile{"Bookmarkfile", ""};
inline constexpr TStringKey kSaveDirectory{"SaveDirectory", ""};
inline constexpr TBoolKey kSaveToDirectory{"SaveToDirectory", false};
inline constexpr TBoolKey kSaveToMht{"SaveToMHT", false};
inline constexpr TStringKey kRobotDefFile{"RobotDefFile", ""};
inline constexpr TStringKey kLocalFile{"Local File", ""};
inline constexpr TStringKey kTempFileName{"TempFileName", ""};
// Polite crawling of the web site and specified pages robots; both off unless set.
inline constexpr TBoolKey kRobotsTxt{"RobotsTxt", false};
inline constexpr TIntegerKey kDelayMs{"DelayMs", 0};

// The robot editor's defaults where they differ from those of the runner and the workers.
inline constexpr TStringKey kNbSimulEditor{"nbsimul", "1"};
inline constexpr TBoolKey kSendToScriptSearchEngineEditor{"SendToScript", true};
inline constexpr TBoolKey kSeeOnScreenEditor{"SeeOnScreen", true};
}  // namespace key

}  // namespace varnelo::config
