#include "forms/new_robot_frm.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "config/config_keys.h"
#include "config/ini_text.h"
#include "forms/robot_editor_fields.h"
#include "forms/robot_editor_input.h"
#include "results/categories.h"
#include "retrieval/bookmark_file.h"
#include "search/definition_paths.h"
#include "search/engine_activity.h"

namespace varnelo::config {
namespace fs = std::filesystem;
namespace {

using TIcon = base::TDialogsPort::TIcon;
using TField = TNewRobotFrm::TField;

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

// A start URL row as the list shows it: the URL, and whether it is selected.
std::vector<std::pair<std::string, bool>> StartUrlRows(const TStartUrlList& list) {
  std::vector<std::pair<std::string, bool>> rows;
  for (const std::string& url : list.Urls()) rows.emplace_back(url, list.Selected().contains(rows.size()));
  return rows;
}

TSearchEnginePage WithoutLists(TSearchEnginePage page) {
  page.engines.clear();
  page.categories.clear();
  return page;
}

template <class TPage>
TPage WithoutStartUrls(TPage page) {
  std::string urlField = std::move(page.startUrls.urlField);
  page.startUrls = {};
  page.startUrls.urlField = std::move(urlField);
  return page;
}

// Creates `file` empty unless it exists; never truncates what is there.
void CreateEmptyFile(const fs::path& file) {
  const std::unique_ptr<std::FILE, decltype(&std::fclose)> created(std::fopen(file.c_str(), "wx"), &std::fclose);
  if (!created && errno != EEXIST) throw std::system_error(errno, std::generic_category(), file.string());
}

}  // namespace

TNewRobotFrm::TNewRobotFrm(fs::path home, base::TDialogsPort& dialogs, search::TQuickSearchMenu& quickSearchMenu,
                           std::function<void(const std::string& name)> registerRobot)
    : home_(std::move(home)),
      dialogs_(dialogs),
      quickSearchMenu_(quickSearchMenu),
      registerRobot_(std::move(registerRobot)) {}

auto TNewRobotFrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::RobotName, robotName), Field(TField::NbSimul, nbSimul),
                           Field(TField::IconFile, iconFile), Field(TField::NameEditable, nameEditable_),
                           Field(TField::ActivePage, activePage_), Field(TField::Engines, searchEngine.engines),
                           Field(TField::Categories, searchEngine.categories),
                           Field(TField::SearchEnginePage, WithoutLists(searchEngine)),
                           Field(TField::KeywordSearchStartUrls, StartUrlRows(keywordSearch.startUrls)),
                           Field(TField::KeywordSearchPage, WithoutStartUrls(keywordSearch)),
                           Field(TField::BackupStartUrls, StartUrlRows(backup.startUrls)),
                           Field(TField::BackupPage, WithoutStartUrls(backup)), Field(TField::LocalFilePage, localFile),
                           Field(TField::SpecifiedPagesPage, specifiedPages), Field(TField::ScriptPage, script),
                           Field(TField::RandomQueryPage, randomQuery));
  });
}

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
  const auto watch = Watch();
  ResetFields();
  nameEditable_ = true;
}

void TNewRobotFrm::OpenExisting(std::string_view robot) {
  const auto watch = Watch();
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
  LoadPage(kPageTables[activePage_], *this, {home_, store, robot});
}

std::optional<fs::path> TNewRobotFrm::IconPreview() const {
  if (iconFile.empty()) return std::nullopt;
  const fs::path file = home_ / results::kFaviconFolder / iconFile;
  if (!IsFile(file)) return std::nullopt;
  return file;
}

void TNewRobotFrm::SetActivePage(size_t page) {
  const auto watch = Watch();
  if (page < kRobotKinds.size()) activePage_ = page;
}

bool TNewRobotFrm::Refuse(std::string_view message) const {
  dialogs_.MessageBox(message, kErrorCaption, TIcon::Error);
  return false;
}

bool TNewRobotFrm::ClickSave() {
  const auto watch = Watch();
  if (robotName.empty() || !AcceptsRobotName(robotName)) return Refuse(kNameMessage);
  if (const std::optional<std::string> problem = RobotNameProblem(robotName)) return Refuse(*problem);
  const TConfigStore store(home_ / kRobotConfigFile);
  if (const std::optional<std::string> problem =
          PageProblem(kPageTables[activePage_], *this, {home_, store, robotName})) {
    // An empty message ends the save without a word.
    return problem->empty() ? false : Refuse(*problem);
  }
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

bool TNewRobotFrm::WriteActivePage(const TConfigStore& store) const {
  const std::optional<bool> validCategory =
      WritePage(kPageTables[activePage_], *this, {home_, store, robotName}, dialogs_);
  if (validCategory == true) {
    quickSearchMenu_.AddOrUpdateRobot(searchEngine.category, robotName, home_ / results::kFaviconFolder / iconFile);
  }
  return validCategory.value_or(true);
}

TStartUrlList* TNewRobotFrm::ActiveStartUrls() {
  return std::visit(
      [this](const auto& table) -> TStartUrlList* {
        return table.startUrls == nullptr ? nullptr : &(this->*table.page.*table.startUrls);
      },
      kPageTables[activePage_]);
}

void TNewRobotFrm::ClickAddStartUrl() {
  const auto watch = Watch();
  if (TStartUrlList* list = ActiveStartUrls()) list->Add();
}

void TNewRobotFrm::ClickRemoveStartUrls() {
  const auto watch = Watch();
  if (TStartUrlList* list = ActiveStartUrls()) list->RemoveSelected();
}

void TNewRobotFrm::SelectStartUrl(size_t index, bool selected) {
  const auto watch = Watch();
  if (TStartUrlList* list = ActiveStartUrls()) list->Select(index, selected);
}

void TNewRobotFrm::ClickNewDefinition() {
  const auto watch = Watch();
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
  const auto watch = Watch();
  std::vector<TEngineEntry>& engines = searchEngine.engines;
  const auto selected =
      std::find_if(engines.begin(), engines.end(), [](const TEngineEntry& entry) { return entry.selected; });
  if (selected == engines.end()) return;
  search::DeleteEngine(home_, robotName, selected->name);
  engines.erase(selected);
}

void TNewRobotFrm::ClickReloadCategories() {
  const auto watch = Watch();
  searchEngine.categories = results::CategoryNames(home_);
}

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
  const auto watch = Watch();
  std::visit(
      [&](const auto& table) {
        if (table.scriptName == nullptr) return;
        auto& page = this->*table.page;
        page.*table.scriptName = chosen->string();
        if (table.sendToScript != nullptr) page.*table.sendToScript = true;
      },
      kPageTables[activePage_]);
}

void TNewRobotFrm::ClickChooseTempFile() {
  const TAnyPageTable& active = kPageTables[activePage_];
  if (std::visit([](const auto& table) { return table.tempFileName == nullptr; }, active)) return;
  // The script writes this file, so it need not exist yet.
  const std::optional<fs::path> chosen =
      dialogs_.ChooseSaveFile("Choisir un fichier temporaire", kAllFilesFilter, home_ / kTempFolder);
  if (!chosen) return;
  const auto watch = Watch();
  std::visit(
      [&](const auto& table) {
        auto& page = this->*table.page;
        page.*table.tempFileName = chosen->string();
        page.*table.seeOnScreen = true;
      },
      active);
}

void TNewRobotFrm::ClickChooseLocalFile() {
  const auto watch = Watch();
  if (const std::optional<fs::path> chosen = ChooseFile("Choisir un fichier local", kAllFilesFilter, "")) {
    localFile.localFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseBookmarkFile() {
  const std::optional<fs::path> chosen =
      ChooseFile("Choisir un fichier de marques-pages", kBookmarkFilter, retrieval::kBookmarkFileFolder);
  if (!chosen) return;
  const auto watch = Watch();
  specifiedPages.bookmarkFile = chosen->string();
  retrieval::WriteBookmarkFile(*chosen, retrieval::NormalizedBookmarks(retrieval::ReadBookmarkFile(*chosen)));
}

void TNewRobotFrm::ClickChooseSaveDirectory() {
  const auto watch = Watch();
  std::error_code error;
  const fs::path current(specifiedPages.saveDirectory);
  const fs::path start = !current.empty() && fs::is_directory(current, error) ? current : home_;
  if (const std::optional<fs::path> chosen = dialogs_.ChooseFolder(kSaveDirectoryCaption, start)) {
    specifiedPages.saveDirectory = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseMhtFile() {
  const auto watch = Watch();
  if (const std::optional<fs::path> chosen = ChooseNewFile("Choisir un fichier .mht", kMhtFilter)) {
    backup.mhtFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseZipFile() {
  const auto watch = Watch();
  if (const std::optional<fs::path> chosen = ChooseNewFile("Choisir une archive zip", kZipFilter)) {
    backup.zipFile = chosen->string();
  }
}

void TNewRobotFrm::ClickChooseIcon() {
  const auto watch = Watch();
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

void TNewRobotFrm::TakeDictionary(std::string dictionaryFile) {
  const auto watch = Watch();
  randomQuery.dictionary = std::move(dictionaryFile);
}

void TNewRobotFrm::TakeDefinitionFile(const search::TFrmBuildRobotDef& builder) {
  const auto watch = Watch();
  if (builder.ModalResult() == search::TModalResult::Ok) randomQuery.robotDefFile = builder.fileName;
}

search::Tdictfrm TNewRobotFrm::DictionaryDialog(base::TMainQueue& mainQueue) const {
  return search::Tdictfrm(home_, dialogs_, mainQueue);
}

filters::TAntiAntiSpamFrm TNewRobotFrm::SpecialConfigurationDialog() const {
  return filters::TAntiAntiSpamFrm(home_, dialogs_);
}

std::unique_ptr<retrieval::TFormBookmark> TNewRobotFrm::BookmarkEditor(fs::path trashDirectory,
                                                                       base::TMainQueue& mainQueue) const {
  auto editor = std::make_unique<retrieval::TFormBookmark>(home_, dialogs_, std::move(trashDirectory), mainQueue);
  editor->Open();
  return editor;
}

}  // namespace varnelo::config
