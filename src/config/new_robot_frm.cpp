#include "config/new_robot_frm.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "config/config_keys.h"
#include "config/ini_text.h"
#include "config/robot_editor_input.h"
#include "results/categories.h"
#include "retrieval/bookmark_file.h"
#include "retrieval/url.h"
#include "search/definition_paths.h"
#include "search/dictionary_register.h"
#include "search/engine_activity.h"

namespace varnelo::config {
namespace fs = std::filesystem;
namespace {

using TIcon = shell::TDialogsPort::TIcon;

// The folders of the home where the file choosers start.
constexpr std::string_view kScriptFolder = "interpretercode";
constexpr std::string_view kTempFolder = "temp";

constexpr std::string_view kScriptFilter = "Pascal (*.pas);;Tous les fichiers (*)";
constexpr std::string_view kAllFilesFilter = "Tous les fichiers (*)";
constexpr std::string_view kBookmarkFilter = "Marques-pages (*.bmf);;Tous les fichiers (*)";
constexpr std::string_view kMhtFilter = "Archives web (*.mht);;Tous les fichiers (*)";
constexpr std::string_view kZipFilter = "Archives zip (*.zip);;Tous les fichiers (*)";

bool IsFile(const fs::path& path) {
  std::error_code error;
  return !path.empty() && fs::is_regular_file(path, error);
}

bool HasSection(const TConfigStore& store, std::string_view name) {
  const std::vector<std::string> sections = store.ReadSections();
  return std::any_of(sections.begin(), sections.end(),
                     [&](const std::string& section) { return SameName(section, name); });
}

bool Parses(const std::string& text) {
  retrieval::url record;
  return retrieval::ParseUrl(text, record) == retrieval::TUrlParseResult::NoError;
}

// Creates `file` empty unless it exists; never truncates what is there.
void CreateEmptyFile(const fs::path& file) {
  const std::unique_ptr<std::FILE, decltype(&std::fclose)> created(std::fopen(file.c_str(), "wx"), &std::fclose);
  if (!created && errno != EEXIST) throw std::system_error(errno, std::generic_category(), file.string());
}

}  // namespace

TNewRobotFrm::TNewRobotFrm(fs::path home, shell::TDialogsPort& dialogs, search::TQuickSearchMenu& quickSearchMenu,
                           std::function<void(const std::string& name)> registerRobot)
    : home_(std::move(home)),
      dialogs_(dialogs),
      quickSearchMenu_(quickSearchMenu),
      registerRobot_(std::move(registerRobot)) {}

void TNewRobotFrm::ResetFields() {
  robotName.clear();
  nbSimul = "1";
  iconFile.clear();
  activePage_ = kSearchEnginePage;
  searchEngine = {};
  keywordSearch = {};
  backup = {};
  localFile = {};
  specifiedPages = {};
  script = {};
  randomQuery = {};
  searchEngine.categories = results::CategoryNames(home_);
  searchEngine.category = key::kCategory.defaultValue;
}

void TNewRobotFrm::OpenNew() {
  ResetFields();
  nameEditable_ = true;
}

void TNewRobotFrm::OpenExisting(std::string_view robot) {
  ResetFields();
  nameEditable_ = false;
  robotName = robot;
  const TConfigStore store(home_ / kRobotConfigFile);
  nbSimul = Read(store, robot, key::kNbSimulEditor);
  const std::string kind = Read(store, robot, key::kDataFromEditor);
  iconFile = Read(store, robot, key::kIconFile);
  const auto found = std::find_if(kRobotKinds.begin(), kRobotKinds.end(),
                                  [&](const TRobotKind& k) { return k.dataFrom == kind; });
  // An unknown kind leaves the page the window was designed with, and nothing of it is read.
  if (found == kRobotKinds.end()) {
    activePage_ = kRandomQueryPage;
    return;
  }
  activePage_ = static_cast<size_t>(found - kRobotKinds.begin());
  LoadPage(store, robot);
}

void TNewRobotFrm::LoadSearchEngineEntries(std::string_view robot) {
  for (std::string& engine : search::ListEngines(home_, robot)) {
    const bool active = search::IsEngineActive(home_, robot, engine);
    searchEngine.engines.push_back({std::move(engine), active, false});
  }
}

void TNewRobotFrm::LoadPage(const TConfigStore& store, std::string_view robot) {
  switch (activePage_) {
    case kSearchEnginePage:
      LoadSearchEngineEntries(robot);
      searchEngine.sendToScript = Read(store, robot, key::kSendToScriptSearchEngineEditor);
      searchEngine.scriptName = Read(store, robot, key::kScriptName);
      searchEngine.seeOnScreen = Read(store, robot, key::kSeeOnScreenEditor);
      searchEngine.allRssInOneWindow = Read(store, robot, key::kAllRSSInOneWindow);
      searchEngine.category = Read(store, robot, key::kCategory);
      break;
    case kKeywordSearchPage:
      keywordSearch.startUrls.Assign(ReadStartUrls(home_, robot));
      keywordSearch.keywords = Read(store, robot, key::kKeywords);
      keywordSearch.contentType = Read(store, robot, key::kContentType);
      keywordSearch.maximalSize = Read(store, robot, key::kMaximalSize);
      keywordSearch.webSiteName = Read(store, robot, key::kWebSiteName);
      break;
    case kBackupPage:
      backup.startUrls.Assign(ReadStartUrls(home_, robot));
      backup.contentType = Read(store, robot, key::kContentType);
      backup.maximalSize = Read(store, robot, key::kMaximalSize);
      backup.webSiteName = Read(store, robot, key::kWebSiteName);
      backup.mhtFile = Read(store, robot, key::kMhtFile);
      backup.zipFile = Read(store, robot, key::kZipFile);
      break;
    case kLocalFilePage:
      localFile.localFile = Read(store, robot, key::kLocalFile);
      localFile.tempFileName = Read(store, robot, key::kTempFileName);
      localFile.seeOnScreen = Read(store, robot, key::kSeeOnScreenEditor);
      localFile.sendToScript = Read(store, robot, key::kSendToScript);
      localFile.scriptName = Read(store, robot, key::kScriptName);
      break;
    case kSpecifiedPagesPage:
      specifiedPages.bookmarkFile = Read(store, robot, key::kBookmarkFile);
      specifiedPages.sendToScript = Read(store, robot, key::kSendToScript);
      specifiedPages.scriptName = Read(store, robot, key::kScriptName);
      specifiedPages.saveDirectory = Read(store, robot, key::kSaveDirectory);
      specifiedPages.seeOnScreen = Read(store, robot, key::kSeeOnScreenEditor);
      break;
    case kScriptPage:
      script.scriptName = Read(store, robot, key::kScriptName);
      script.seeOnScreen = Read(store, robot, key::kSeeOnScreenEditor);
      script.tempFileName = Read(store, robot, key::kTempFileName);
      break;
    case kRandomQueryPage: {
      const int dict = Read(store, robot, key::kDictEditor);
      randomQuery.dictionary = store.ReadString(section::kDictionary, search::DictionaryKey(dict), "");
      randomQuery.robotDefFile = Read(store, robot, key::kRobotDefFile);
      randomQuery.sendToScript = Read(store, robot, key::kSendToScript);
      randomQuery.scriptName = Read(store, robot, key::kScriptName);
      break;
    }
    default:
      break;
  }
}

std::optional<fs::path> TNewRobotFrm::IconPreview() const {
  if (iconFile.empty()) return std::nullopt;
  const fs::path file = home_ / results::kFaviconFolder / iconFile;
  if (!IsFile(file)) return std::nullopt;
  return file;
}

void TNewRobotFrm::SetActivePage(size_t page) {
  if (page < kRobotKinds.size()) activePage_ = page;
}

bool TNewRobotFrm::Refuse(std::string_view message) const {
  dialogs_.MessageBox(message, kErrorCaption, TIcon::Error);
  return false;
}

bool TNewRobotFrm::CheckScript(bool sendToScript, const std::string& scriptName) const {
  if (sendToScript && !IsFile(scriptName)) return Refuse(kMissingScriptMessage);
  return true;
}

bool TNewRobotFrm::CheckStartUrls(const TStartUrlList& startUrls) const {
  const std::vector<std::string>& urls = startUrls.Urls();
  if (!std::all_of(urls.begin(), urls.end(), Parses)) return Refuse(kUrlErrorMessage);
  return true;
}

bool TNewRobotFrm::CheckActivePage() const {
  switch (activePage_) {
    case kSearchEnginePage: {
      if (searchEngine.engines.empty()) return Refuse(kNoDefinitionMessage);
      const fs::path folder = search::EngineFolder(home_, robotName);
      for (const TEngineEntry& entry : searchEngine.engines) {
        if (!IsFile(folder / entry.name)) return Refuse("Fichier " + entry.name + " n'existe pas");
      }
      return CheckScript(searchEngine.sendToScript, searchEngine.scriptName);
    }
    case kLocalFilePage:
      if (!IsFile(localFile.localFile)) return Refuse(kMissingFileMessage);
      return CheckScript(localFile.sendToScript, localFile.scriptName);
    case kScriptPage:
      if (!IsFile(script.scriptName)) return Refuse(kMissingPascalScriptMessage);
      return true;
    case kRandomQueryPage:
      if (!IsFile(randomQuery.dictionary)) return Refuse(kMissingDictionaryMessage);
      // A missing definition file ends the save without a message.
      if (!IsFile(search::RandomQueryDefinitionPath(home_, randomQuery.robotDefFile))) return false;
      return CheckScript(randomQuery.sendToScript, randomQuery.scriptName);
    case kSpecifiedPagesPage:
      if (!IsFile(specifiedPages.bookmarkFile)) return Refuse(kMissingFileMessage);
      return CheckScript(specifiedPages.sendToScript, specifiedPages.scriptName);
    case kBackupPage:
      return CheckStartUrls(backup.startUrls);
    case kKeywordSearchPage:
      if (!CheckStartUrls(keywordSearch.startUrls)) return false;
      if (TrimmedInput(keywordSearch.keywords).empty()) return Refuse(kNoKeywordsMessage);
      return true;
    default:
      return false;
  }
}

bool TNewRobotFrm::ClickSave() {
  if (robotName.empty() || !AcceptsRobotName(robotName)) return Refuse(kNameMessage);
  if (const std::optional<std::string> problem = RobotNameProblem(robotName)) return Refuse(*problem);
  if (!CheckActivePage()) return false;
  const TConfigStore store(home_ / kRobotConfigFile);
  if (!HasSection(store, robotName)) Register(store);
  nameEditable_ = false;
  store.WriteString(robotName, key::kName.name, robotName);
  store.WriteString(robotName, key::kNbSimul.name, nbSimul);
  Write(store, robotName, key::kDataFromEditor, Kind());
  return WriteActivePage(store);
}

void TNewRobotFrm::Register(const TConfigStore& store) const {
  if (registerRobot_) registerRobot_(robotName);
  // One locked step, or a varnelo-cli run on the same home could hand out the same slot.
  store.RunLocked([&] {
    const int robotno = Read(store, section::kGeneral, key::kNextRobotForNewRobot);
    Write(store, robotName, key::kRobotNo, robotno);
    Write(store, section::kGeneral, key::kNextRobotForNewRobot, robotno + 1);
  });
}

bool TNewRobotFrm::WriteSearchEnginePage(const TConfigStore& store) const {
  for (const TEngineEntry& entry : searchEngine.engines) {
    search::SetEngineActive(home_, robotName, entry.name, entry.checked);
  }
  Write(store, robotName, key::kSendToScript, searchEngine.sendToScript);
  Write(store, robotName, key::kScriptName, searchEngine.scriptName);
  const bool validCategory =
      results::IsCategory(TConfigStore(results::CategoryFilePath(home_)), searchEngine.category);
  if (validCategory) {
    Write(store, robotName, key::kCategory, searchEngine.category);
  } else {
    dialogs_.MessageBox(kInvalidCategoryMessage, kErrorCaption, TIcon::Error);
  }
  Write(store, robotName, key::kSeeOnScreen, searchEngine.seeOnScreen);
  Write(store, robotName, key::kAllRSSInOneWindow, searchEngine.allRssInOneWindow);
  Write(store, robotName, key::kIconFile, iconFile);
  if (validCategory) {
    quickSearchMenu_.AddOrUpdateRobot(searchEngine.category, robotName,
                                      home_ / results::kFaviconFolder / iconFile);
  }
  return validCategory;
}

bool TNewRobotFrm::WriteActivePage(const TConfigStore& store) const {
  switch (activePage_) {
    case kSearchEnginePage:
      return WriteSearchEnginePage(store);
    case kKeywordSearchPage:
      WriteStartUrls(home_, robotName, keywordSearch.startUrls.Urls());
      Write(store, robotName, key::kKeywords, keywordSearch.keywords);
      Write(store, robotName, key::kContentType, keywordSearch.contentType);
      Write(store, robotName, key::kMaximalSize, keywordSearch.maximalSize);
      Write(store, robotName, key::kWebSiteName, keywordSearch.webSiteName);
      return true;
    case kBackupPage:
      WriteStartUrls(home_, robotName, backup.startUrls.Urls());
      Write(store, robotName, key::kMhtFile, backup.mhtFile);
      Write(store, robotName, key::kZipFile, backup.zipFile);
      Write(store, robotName, key::kContentType, backup.contentType);
      Write(store, robotName, key::kMaximalSize, backup.maximalSize);
      Write(store, robotName, key::kWebSiteName, backup.webSiteName);
      return true;
    case kLocalFilePage:
      Write(store, robotName, key::kLocalFile, localFile.localFile);
      Write(store, robotName, key::kTempFileName, localFile.tempFileName);
      Write(store, robotName, key::kSeeOnScreen, localFile.seeOnScreen);
      Write(store, robotName, key::kSendToScript, localFile.sendToScript);
      Write(store, robotName, key::kScriptName, localFile.scriptName);
      return true;
    case kSpecifiedPagesPage:
      Write(store, robotName, key::kBookmarkFile, specifiedPages.bookmarkFile);
      Write(store, robotName, key::kSendToScript, specifiedPages.sendToScript);
      Write(store, robotName, key::kScriptName, specifiedPages.scriptName);
      Write(store, robotName, key::kSeeOnScreen, specifiedPages.seeOnScreen);
      // The page lets the user choose this folder; dropping the choice would lose it silently.
      Write(store, robotName, key::kSaveDirectory, specifiedPages.saveDirectory);
      return true;
    case kScriptPage:
      Write(store, robotName, key::kScriptName, script.scriptName);
      Write(store, robotName, key::kSeeOnScreen, script.seeOnScreen);
      Write(store, robotName, key::kTempFileName, script.tempFileName);
      return true;
    case kRandomQueryPage:
      Write(store, robotName, key::kRobotDefFile, randomQuery.robotDefFile);
      Write(store, robotName, key::kSendToScript, randomQuery.sendToScript);
      Write(store, robotName, key::kScriptName, randomQuery.scriptName);
      return true;
    default:
      return false;
  }
}

void TNewRobotFrm::ClickNewDefinition() {
  // The name of a robot that exists already is its section's: cleaning it would make another robot.
  if (nameEditable_) robotName = CleanedName(robotName);
  if (TrimmedInput(robotName).empty()) {
    Refuse(kNeedsNameMessage);
    return;
  }
  if (const std::optional<std::string> problem = RobotNameProblem(robotName)) {
    Refuse(*problem);
    return;
  }
  if (searchEngine.definitionName.empty()) return;
  searchEngine.definitionName = CleanedName(searchEngine.definitionName);
  if (const std::optional<std::string> problem = DefinitionNameProblem(searchEngine.definitionName)) {
    Refuse(*problem);
    return;
  }
  const fs::path folder = search::EngineFolder(home_, robotName);
  fs::create_directories(folder);
  CreateEmptyFile(folder / searchEngine.definitionName);
  std::vector<TEngineEntry>& engines = searchEngine.engines;
  auto found = std::find_if(engines.begin(), engines.end(),
                            [&](const TEngineEntry& entry) { return entry.name == searchEngine.definitionName; });
  if (found == engines.end()) {
    // A definition without an activity key is active, and the list shows it so.
    engines.push_back({searchEngine.definitionName, true, false});
    found = std::prev(engines.end());
  }
  for (TEngineEntry& entry : engines) entry.selected = false;
  found->selected = true;
}

void TNewRobotFrm::ClickDeleteDefinition() {
  std::vector<TEngineEntry>& engines = searchEngine.engines;
  const auto selected =
      std::find_if(engines.begin(), engines.end(), [](const TEngineEntry& entry) { return entry.selected; });
  if (selected == engines.end()) return;
  search::DeleteEngine(home_, robotName, selected->name);
  engines.erase(selected);
}

void TNewRobotFrm::ClickReloadCategories() { searchEngine.categories = results::CategoryNames(home_); }

std::optional<search::TSearchEngineDefFrm> TNewRobotFrm::EngineDefinitionEditor(size_t index) {
  if (index >= searchEngine.engines.size()) return std::nullopt;
  return std::optional<search::TSearchEngineDefFrm>(
      std::in_place, home_, robotName + "/" + searchEngine.engines[index].name, dialogs_);
}

std::optional<fs::path> TNewRobotFrm::ChooseFile(std::string_view caption, std::string_view filter,
                                                 std::string_view folder) const {
  return dialogs_.ChooseOpenFile(caption, filter, folder.empty() ? home_ : home_ / folder);
}

std::optional<fs::path> TNewRobotFrm::ChooseNewFile(std::string_view caption, std::string_view filter) const {
  return dialogs_.ChooseSaveFile(caption, filter, home_);
}

void TNewRobotFrm::ClickChooseScript() {
  const std::optional<fs::path> chosen = ChooseFile("Choisir un script", kScriptFilter, kScriptFolder);
  if (!chosen) return;
  switch (activePage_) {
    case kSearchEnginePage:
      searchEngine.scriptName = chosen->string();
      searchEngine.sendToScript = true;
      break;
    case kLocalFilePage:
      localFile.scriptName = chosen->string();
      localFile.sendToScript = true;
      break;
    case kSpecifiedPagesPage:
      specifiedPages.scriptName = chosen->string();
      specifiedPages.sendToScript = true;
      break;
    case kScriptPage:
      script.scriptName = chosen->string();
      break;
    case kRandomQueryPage:
      randomQuery.scriptName = chosen->string();
      randomQuery.sendToScript = true;
      break;
    default:
      break;
  }
}

void TNewRobotFrm::ClickChooseTempFile() {
  if (activePage_ != kScriptPage && activePage_ != kLocalFilePage) return;
  // The script writes this file, so it need not exist yet.
  const std::optional<fs::path> chosen =
      dialogs_.ChooseSaveFile("Choisir un fichier temporaire", kAllFilesFilter, home_ / kTempFolder);
  if (!chosen) return;
  if (activePage_ == kScriptPage) {
    script.tempFileName = chosen->string();
    script.seeOnScreen = true;
  } else {
    localFile.tempFileName = chosen->string();
    localFile.seeOnScreen = true;
  }
}

void TNewRobotFrm::ClickChooseLocalFile() {
  if (const std::optional<fs::path> chosen = ChooseFile("Choisir un fichier local", kAllFilesFilter, "")) {
    localFile.localFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseBookmarkFile() {
  const std::optional<fs::path> chosen =
      ChooseFile("Choisir un fichier de marques-pages", kBookmarkFilter, retrieval::kBookmarkFileFolder);
  if (!chosen) return;
  specifiedPages.bookmarkFile = chosen->string();
  retrieval::WriteBookmarkFile(*chosen, retrieval::NormalizedBookmarks(retrieval::ReadBookmarkFile(*chosen)));
}

void TNewRobotFrm::ClickChooseSaveDirectory() {
  std::error_code error;
  const fs::path current(specifiedPages.saveDirectory);
  const fs::path start = !current.empty() && fs::is_directory(current, error) ? current : home_;
  if (const std::optional<fs::path> chosen = dialogs_.ChooseFolder(kSaveDirectoryCaption, start)) {
    specifiedPages.saveDirectory = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseMhtFile() {
  if (const std::optional<fs::path> chosen = ChooseNewFile("Choisir un fichier .mht", kMhtFilter)) {
    backup.mhtFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseZipFile() {
  if (const std::optional<fs::path> chosen = ChooseNewFile("Choisir une archive zip", kZipFilter)) {
    backup.zipFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseIcon() {
  if (const std::optional<fs::path> chosen = results::ChooseIconFile(dialogs_, home_, "Choisir un icône")) {
    iconFile = chosen->filename().string();
  }
}

std::optional<search::Tassociate> TNewRobotFrm::ClickChooseDictionary() {
  if (TrimmedInput(robotName).empty()) {
    dialogs_.MessageBox(kNeedsNameMessage, kDictionaryErrorCaption, TIcon::Error);
    return std::nullopt;
  }
  std::optional<search::Tassociate> dialog(std::in_place, home_, robotName);
  dialog->Load();
  return dialog;
}

search::TFrmBuildRobotDef TNewRobotFrm::DefinitionFileBuilder() {
  return search::TFrmBuildRobotDef(home_, randomQuery.robotDefFile, dialogs_);
}

void TNewRobotFrm::TakeDefinitionFile(const search::TFrmBuildRobotDef& builder) {
  if (builder.ModalResult() == search::TModalResult::Ok) randomQuery.robotDefFile = builder.fileName;
}

search::Tdictfrm TNewRobotFrm::DictionaryDialog(shell::TMainQueue& mainQueue) const {
  return search::Tdictfrm(home_, dialogs_, mainQueue);
}

filters::TAntiAntiSpamFrm TNewRobotFrm::SpecialConfigurationDialog() const {
  return filters::TAntiAntiSpamFrm(home_, dialogs_);
}

std::unique_ptr<retrieval::TFormBookmark> TNewRobotFrm::BookmarkEditor(fs::path trashDirectory,
                                                                       shell::TMainQueue& mainQueue) const {
  auto editor = std::make_unique<retrieval::TFormBookmark>(home_, dialogs_, std::move(trashDirectory), mainQueue);
  editor->Open();
  return editor;
}

}  // namespace varnelo::config
