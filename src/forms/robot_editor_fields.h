#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/dialogs_port.h"
#include "config/config_keys.h"
#include "forms/new_robot_frm.h"
#include "forms/robot_editor_pages.h"

namespace varnelo::config {

// The fields of the robot editor's pages as tables: one row per field with the page member, its key
// and the default it is loaded with, and the check "Enregistrer" makes of it with its message. The
// editor loads, checks and saves a page by walking its table, so that each list of fields is
// written once: the rows stand in the order in which the page's keys are written, which is also the
// order of its checks.

enum class TFieldCheck {
  None,
  FileExists,            // the field names an existing file
  DefinitionFileExists,  // the field names an existing random query definition
  NotBlank,              // the field, trimmed, is not empty
};

template <class TPage>
struct TCheckRule {
  TFieldCheck check = TFieldCheck::None;
  std::string_view message = {};  // empty: a failure ends the save without a message
  bool TPage::*onlyIf = nullptr;  // the check is made only when this box is checked
};

template <class TPage>
struct TTextField {
  std::string TPage::*member;
  TStringKey key;
  TCheckRule<TPage> rule = {};
};

template <class TPage>
struct TFlagField {
  bool TPage::*member;
  TBoolKey key;
};

// The start URL list, kept in `<robot>.url`; every URL must parse.
template <class TPage>
struct TStartUrlsField {
  TStartUrlList TPage::*member;
  std::string_view message;
};

// The engine list of a search engine robot: its folder of definitions and their activity file.
template <class TPage>
struct TEnginesField {
  std::vector<TEngineEntry> TPage::*member;
  std::string_view emptyMessage;
};

// The category, written only when Category.ini has it; otherwise its message is shown, the other
// keys are written all the same and the editor stays open.
template <class TPage>
struct TCategoryField {
  std::string TPage::*member;
  TStringKey key;
  std::string_view message;
};

// The editor's icon file, saved with the page but loaded with the fields common to every kind.
template <class TPage>
struct TIconFileField {
  TStringKey key;
};

// The dictionary file, shown from the dictionary register through the robot's number; the save
// checks it but never writes it, since the association dialog does.
template <class TPage>
struct TDictionaryField {
  std::string TPage::*member;
  TIntegerKey number;
  std::string_view message;
};

template <class TPage>
using TPageField = std::variant<TTextField<TPage>, TFlagField<TPage>, TStartUrlsField<TPage>, TEnginesField<TPage>,
                                TCategoryField<TPage>, TIconFileField<TPage>, TDictionaryField<TPage>>;

// One page: where the editor keeps it, its fields, and the fields that the page's file choosers
// fill (none where the page has no such chooser).
template <class TPage>
struct TPageTable {
  TPage TNewRobotFrm::*page;
  std::span<const TPageField<TPage>> fields;
  std::string TPage::*scriptName = nullptr;    // "..." of the script field
  bool TPage::*sendToScript = nullptr;         // checked by choosing a script
  std::string TPage::*tempFileName = nullptr;  // "..." of the temporary file
  bool TPage::*seeOnScreen = nullptr;          // checked by choosing a temporary file
  TStartUrlList TPage::*startUrls = nullptr;   // "ajouter" and "enlever"
};

using TAnyPageTable = std::variant<TPageTable<TSearchEnginePage>, TPageTable<TKeywordSearchPage>,
                                   TPageTable<TBackupPage>, TPageTable<TLocalFilePage>, TPageTable<TSpecifiedPagesPage>,
                                   TPageTable<TScriptPage>, TPageTable<TRandomQueryPage>>;

namespace fields {
using E = TNewRobotFrm;

template <class TPage>
constexpr TCheckRule<TPage> kScriptRule{TFieldCheck::FileExists, E::kMissingScriptMessage, &TPage::sendToScript};

inline constexpr std::array<TPageField<TSearchEnginePage>, 7> kSearchEngine{{
    TEnginesField<TSearchEnginePage>{&TSearchEnginePage::engines, E::kNoDefinitionMessage},
    TFlagField<TSearchEnginePage>{&TSearchEnginePage::sendToScript, key::kSendToScriptSearchEngineEditor},
    TTextField<TSearchEnginePage>{&TSearchEnginePage::scriptName, key::kScriptName, kScriptRule<TSearchEnginePage>},
    TCategoryField<TSearchEnginePage>{&TSearchEnginePage::category, key::kCategory, E::kInvalidCategoryMessage},
    TFlagField<TSearchEnginePage>{&TSearchEnginePage::seeOnScreen, key::kSeeOnScreenEditor},
    TFlagField<TSearchEnginePage>{&TSearchEnginePage::allRssInOneWindow, key::kAllRSSInOneWindow},
    TIconFileField<TSearchEnginePage>{key::kIconFile},
}};

inline constexpr std::array<TPageField<TKeywordSearchPage>, 5> kKeywordSearch{{
    TStartUrlsField<TKeywordSearchPage>{&TKeywordSearchPage::startUrls, E::kUrlErrorMessage},
    TTextField<TKeywordSearchPage>{
        &TKeywordSearchPage::keywords, key::kKeywords, {TFieldCheck::NotBlank, E::kNoKeywordsMessage}},
    TTextField<TKeywordSearchPage>{&TKeywordSearchPage::contentType, key::kContentType},
    TTextField<TKeywordSearchPage>{&TKeywordSearchPage::maximalSize, key::kMaximalSize},
    TTextField<TKeywordSearchPage>{&TKeywordSearchPage::webSiteName, key::kWebSiteName},
}};

inline constexpr std::array<TPageField<TBackupPage>, 6> kBackup{{
    TStartUrlsField<TBackupPage>{&TBackupPage::startUrls, E::kUrlErrorMessage},
    TTextField<TBackupPage>{&TBackupPage::mhtFile, key::kMhtFile},
    TTextField<TBackupPage>{&TBackupPage::zipFile, key::kZipFile},
    TTextField<TBackupPage>{&TBackupPage::contentType, key::kContentType},
    TTextField<TBackupPage>{&TBackupPage::maximalSize, key::kMaximalSize},
    TTextField<TBackupPage>{&TBackupPage::webSiteName, key::kWebSiteName},
}};

inline constexpr std::array<TPageField<TLocalFilePage>, 5> kLocalFile{{
    TTextField<TLocalFilePage>{
        &TLocalFilePage::localFile, key::kLocalFile, {TFieldCheck::FileExists, E::kMissingFileMessage}},
    TTextField<TLocalFilePage>{&TLocalFilePage::tempFileName, key::kTempFileName},
    TFlagField<TLocalFilePage>{&TLocalFilePage::seeOnScreen, key::kSeeOnScreenEditor},
    TFlagField<TLocalFilePage>{&TLocalFilePage::sendToScript, key::kSendToScript},
    TTextField<TLocalFilePage>{&TLocalFilePage::scriptName, key::kScriptName, kScriptRule<TLocalFilePage>},
}};

inline constexpr std::array<TPageField<TSpecifiedPagesPage>, 5> kSpecifiedPages{{
    TTextField<TSpecifiedPagesPage>{
        &TSpecifiedPagesPage::bookmarkFile, key::kBookmarkFile, {TFieldCheck::FileExists, E::kMissingFileMessage}},
    TFlagField<TSpecifiedPagesPage>{&TSpecifiedPagesPage::sendToScript, key::kSendToScript},
    TTextField<TSpecifiedPagesPage>{&TSpecifiedPagesPage::scriptName, key::kScriptName,
                                    kScriptRule<TSpecifiedPagesPage>},
    TFlagField<TSpecifiedPagesPage>{&TSpecifiedPagesPage::seeOnScreen, key::kSeeOnScreenEditor},
    // The page lets the user choose this folder; dropping the choice would lose it silently.
    TTextField<TSpecifiedPagesPage>{&TSpecifiedPagesPage::saveDirectory, key::kSaveDirectory},
}};

inline constexpr std::array<TPageField<TScriptPage>, 3> kScript{{
    TTextField<TScriptPage>{
        &TScriptPage::scriptName, key::kScriptName, {TFieldCheck::FileExists, E::kMissingPascalScriptMessage}},
    TFlagField<TScriptPage>{&TScriptPage::seeOnScreen, key::kSeeOnScreenEditor},
    TTextField<TScriptPage>{&TScriptPage::tempFileName, key::kTempFileName},
}};

inline constexpr std::array<TPageField<TRandomQueryPage>, 4> kRandomQuery{{
    TDictionaryField<TRandomQueryPage>{&TRandomQueryPage::dictionary, key::kDictEditor, E::kMissingDictionaryMessage},
    // A missing definition file ends the save without a message.
    TTextField<TRandomQueryPage>{
        &TRandomQueryPage::robotDefFile, key::kRobotDefFile, {TFieldCheck::DefinitionFileExists}},
    TFlagField<TRandomQueryPage>{&TRandomQueryPage::sendToScript, key::kSendToScript},
    TTextField<TRandomQueryPage>{&TRandomQueryPage::scriptName, key::kScriptName, kScriptRule<TRandomQueryPage>},
}};
}  // namespace fields

// Indexed like kRobotKinds.
inline constexpr std::array<TAnyPageTable, 7> kPageTables{{
    TPageTable<TSearchEnginePage>{.page = &TNewRobotFrm::searchEngine,
                                  .fields = fields::kSearchEngine,
                                  .scriptName = &TSearchEnginePage::scriptName,
                                  .sendToScript = &TSearchEnginePage::sendToScript},
    TPageTable<TKeywordSearchPage>{.page = &TNewRobotFrm::keywordSearch,
                                   .fields = fields::kKeywordSearch,
                                   .startUrls = &TKeywordSearchPage::startUrls},
    TPageTable<TBackupPage>{
        .page = &TNewRobotFrm::backup, .fields = fields::kBackup, .startUrls = &TBackupPage::startUrls},
    TPageTable<TLocalFilePage>{.page = &TNewRobotFrm::localFile,
                               .fields = fields::kLocalFile,
                               .scriptName = &TLocalFilePage::scriptName,
                               .sendToScript = &TLocalFilePage::sendToScript,
                               .tempFileName = &TLocalFilePage::tempFileName,
                               .seeOnScreen = &TLocalFilePage::seeOnScreen},
    TPageTable<TSpecifiedPagesPage>{.page = &TNewRobotFrm::specifiedPages,
                                    .fields = fields::kSpecifiedPages,
                                    .scriptName = &TSpecifiedPagesPage::scriptName,
                                    .sendToScript = &TSpecifiedPagesPage::sendToScript},
    TPageTable<TScriptPage>{.page = &TNewRobotFrm::script,
                            .fields = fields::kScript,
                            .scriptName = &TScriptPage::scriptName,
                            .tempFileName = &TScriptPage::tempFileName,
                            .seeOnScreen = &TScriptPage::seeOnScreen},
    TPageTable<TRandomQueryPage>{.page = &TNewRobotFrm::randomQuery,
                                 .fields = fields::kRandomQuery,
                                 .scriptName = &TRandomQueryPage::scriptName,
                                 .sendToScript = &TRandomQueryPage::sendToScript},
}};
static_assert(kPageTables.size() == kRobotKinds.size());

// What walking a page needs besides the editor: the robot's section and files.
struct TPageContext {
  const std::filesystem::path& home;
  const TConfigStore& store;
  std::string_view robot;
};

// Loads the fields of the page of `table` into the editor, with the editor's defaults.
void LoadPage(const TAnyPageTable& table, TNewRobotFrm& editor, const TPageContext& context);
// The first check of the page that fails, as its message (empty when the save just ends); nothing
// when every check passes.
std::optional<std::string> PageProblem(const TAnyPageTable& table, const TNewRobotFrm& editor,
                                       const TPageContext& context);
// Writes the page's keys and files in the order of its table. For a page with a category, whether
// Category.ini has it (its message shown through `dialogs` when not); nothing for the other pages.
std::optional<bool> WritePage(const TAnyPageTable& table, const TNewRobotFrm& editor, const TPageContext& context,
                              base::TDialogsPort& dialogs);

}  // namespace varnelo::config
