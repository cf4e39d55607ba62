#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/dialogs_port.h"
#include "base/field_change.h"
#include "base/main_queue.h"
#include "config/config_store.h"
#include "config/robot_kinds.h"
#include "forms/anti_anti_spam_frm.h"
#include "forms/associate.h"
#include "forms/dictfrm.h"
#include "forms/form_bookmark.h"
#include "forms/form_category_action_selection.h"
#include "forms/frm_build_robot_def.h"
#include "forms/robot_editor_pages.h"
#include "forms/search_engine_def_frm.h"
#include "search/quick_search_menu.h"

namespace varnelo::config {

// The robot editor without its window: it creates a robot or changes one. One page per robot kind;
// the page that is active at "Enregistrer" decides the kind. Main thread only.
class TNewRobotFrm {
public:
  static constexpr std::string_view kCaption = "Création de robots automatisés";
  static constexpr std::string_view kErrorCaption = "Erreur";

  static constexpr std::string_view kNameMessage =
      "Le robot doit avoir un nom et doit contenir moins de 30 caractères";
  static constexpr std::string_view kNoDefinitionMessage = "Doit contenir au moins un fichier de définition";
  static constexpr std::string_view kMissingScriptMessage = "Le script spécifié n'existe pas";
  static constexpr std::string_view kMissingFileMessage = "Le fichier n'existe pas";
  static constexpr std::string_view kMissingPascalScriptMessage = "Le fichier de script pascal n'existe pas";
  static constexpr std::string_view kMissingDictionaryMessage = "Le fichier dictionnaire doit exister";
  static constexpr std::string_view kUrlErrorMessage = "Erreur dans le URL";
  static constexpr std::string_view kNoKeywordsMessage = "Vous devez entrer des mots-clés à chercher";
  static constexpr std::string_view kInvalidCategoryMessage = "vous devez choisir une catégorie valide";
  // "Nouveau" (caption "Erreur") and the dictionary's "..." (caption "Error") without a robot name.
  static constexpr std::string_view kNeedsNameMessage = "Le robot doit avoir un nom";
  static constexpr std::string_view kDictionaryErrorCaption = "Error";
  static constexpr std::string_view kSaveDirectoryCaption = "Choisir un répertoire de destination";

  // The pages, in their order; the index is that of config::kRobotKinds.
  static constexpr size_t kSearchEnginePage = 0;
  static constexpr size_t kKeywordSearchPage = 1;
  static constexpr size_t kBackupPage = 2;
  static constexpr size_t kLocalFilePage = 3;
  static constexpr size_t kSpecifiedPagesPage = 4;
  static constexpr size_t kScriptPage = 5;
  static constexpr size_t kRandomQueryPage = 6;

  // `registerRobot` is what the robot panel does for a robot the editor creates (its list entry, its
  // menu items, its slot in the worker table); `quickSearchMenu` is the quick search bar's menu.
  TNewRobotFrm(std::filesystem::path home, base::TDialogsPort& dialogs, search::TQuickSearchMenu& quickSearchMenu,
               std::function<void(const std::string& name)> registerRobot);

  // What an operation changed. The lists name their rows (a start URL row changes with its
  // selection); a page's group is the rest of that page.
  enum class TField {
    RobotName,
    NbSimul,
    IconFile,
    NameEditable,
    ActivePage,
    Engines,
    Categories,
    SearchEnginePage,
    KeywordSearchStartUrls,
    KeywordSearchPage,
    BackupStartUrls,
    BackupPage,
    LocalFilePage,
    SpecifiedPagesPage,
    ScriptPage,
    RandomQueryPage,
  };
  base::TChangeSignal<TField> Changed;

  // A new robot: empty editable name, one process, the search engine page, the categories loaded.
  void OpenNew();
  // The robot of section `robot`: its values with the editor's defaults, the page of its kind, the
  // name not editable.
  void OpenExisting(std::string_view robot);

  // Fields common to every kind.
  std::string robotName;
  std::string nbSimul = "1";
  std::string iconFile;
  bool NameEditable() const { return nameEditable_; }
  // favicon/<iconFile> when that file exists.
  std::optional<std::filesystem::path> IconPreview() const;

  size_t ActivePage() const { return activePage_; }
  // Switching pages switches the kind; an index past the last page changes nothing.
  void SetActivePage(size_t page);
  std::string_view Kind() const { return kRobotKinds[activePage_].dataFrom; }

  TSearchEnginePage searchEngine;
  TKeywordSearchPage keywordSearch;
  TBackupPage backup;
  TLocalFilePage localFile;
  TSpecifiedPagesPage specifiedPages;
  TScriptPage script;
  TRandomQueryPage randomQuery;

  // "Enregistrer": the checks of the active page, the registering of a new robot, then its keys and
  // files. Whether the editor closes: false after a refused check (nothing written) or an invalid
  // category (every other key written). A file that cannot be written throws.
  bool ClickSave();

  // The start URL list of the active page, when it has one: "ajouter" appends the URL field's text,
  // "enlever" removes the selected URLs, and a click selects or unselects one.
  void ClickAddStartUrl();
  void ClickRemoveStartUrls();
  void SelectStartUrl(size_t index, bool selected);

  // "Nouveau": an empty definition file named after the definition name field in the robot's folder,
  // listed and selected. An existing definition keeps its content and is only selected.
  void ClickNewDefinition();
  // "Effacer": deletes the first selected engine definition, file and activity key, without a question.
  void ClickDeleteDefinition();
  // "Recharge": the category list from Category.ini again.
  void ClickReloadCategories();
  // A double click on an engine: its definition editor, or nothing for an index past the list.
  std::optional<search::TSearchEngineDefFrm> EngineDefinitionEditor(size_t index);

  // The file choosers of the active page; a cancelled chooser changes nothing.
  // "..." of a script field: the path, and the page's send-to-script box checked.
  void ClickChooseScript();
  // "..." of a temporary file (script and local file pages): the path, and "Voir à l'écran" checked.
  void ClickChooseTempFile();
  // "..." of the local file.
  void ClickChooseLocalFile();
  // "..." of the bookmark file: the path, and the file rewritten at once as the runner wants it.
  void ClickChooseBookmarkFile();
  // "..." of the save directory.
  void ClickChooseSaveDirectory();
  // The .mht and zip archive names of the backup page.
  void ClickChooseMhtFile();
  void ClickChooseZipFile();
  // "Choisir": an icon file; the field keeps its name without folder.
  void ClickChooseIcon();

  // "..." of the dictionary: the association dialog for this robot, loaded; nothing, after a message,
  // when the robot has no name yet. On OK the front end passes what the dialog's "Enregistrer"
  // returned to TakeDictionary.
  std::optional<search::Tassociate> ClickChooseDictionary();
  void TakeDictionary(std::string dictionaryFile);
  // "..." of the definition file: the definition builder on the current file. When it has closed,
  // TakeDefinitionFile keeps the file chosen there if it closed with OK.
  search::TFrmBuildRobotDef DefinitionFileBuilder();
  void TakeDefinitionFile(const search::TFrmBuildRobotDef& builder);

  // The dialogs that other buttons open, which give nothing back to the editor.
  // "Ajouter un dictionnaire"; its registrations report through `mainQueue`.
  search::Tdictfrm DictionaryDialog(base::TMainQueue& mainQueue) const;
  filters::TAntiAntiSpamFrm SpecialConfigurationDialog() const;  // "Configuration spéciale..."
  results::TFormCategoryActionSelection CategoryDialog() const { return {}; }  // "Gestion de catégories"
  // "Create bookmarks file..."; deleted shortcuts go to `trashDirectory`, and its file work reports
  // through `mainQueue`.
  std::unique_ptr<retrieval::TFormBookmark> BookmarkEditor(std::filesystem::path trashDirectory,
                                                           base::TMainQueue& mainQueue) const;

private:
  auto Watch();
  void ResetFields();
  bool Refuse(std::string_view message) const;
  void Register(const TConfigStore& store) const;
  bool WriteActivePage(const TConfigStore& store) const;
  // The start URL list of the active page, or nullptr.
  TStartUrlList* ActiveStartUrls();

  std::optional<std::filesystem::path> ChooseFile(std::string_view caption, std::string_view filter,
                                                  std::string_view folder) const;
  std::optional<std::filesystem::path> ChooseNewFile(std::string_view caption, std::string_view filter) const;

  std::filesystem::path home_;
  base::TDialogsPort& dialogs_;
  search::TQuickSearchMenu& quickSearchMenu_;
  std::function<void(const std::string& name)> registerRobot_;
  size_t activePage_ = kSearchEnginePage;
  bool nameEditable_ = true;
};

}  // namespace varnelo::config
