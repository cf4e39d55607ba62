#include "forms/robot_editor_fields.h"

#include <algorithm>
#include <system_error>

#include "forms/robot_editor_input.h"
#include "results/categories.h"
#include "search/definition_paths.h"
#include "search/dictionary_register.h"
#include "search/engine_activity.h"
#include "url/url.h"

namespace varnelo::config {
namespace fs = std::filesystem;
namespace {

bool IsFile(const fs::path& path) {
  std::error_code error;
  return !path.empty() && fs::is_regular_file(path, error);
}

bool Parses(const std::string& text) {
  retrieval::url record;
  return retrieval::ParseUrl(text, record) == retrieval::TUrlParseResult::NoError;
}

// --- Loading ---

template <class TPage>
void Load(const TTextField<TPage>& field, TPage& page, const TPageContext& c) {
  page.*field.member = Read(c.store, c.robot, field.key);
}

template <class TPage>
void Load(const TFlagField<TPage>& field, TPage& page, const TPageContext& c) {
  page.*field.member = Read(c.store, c.robot, field.key);
}

template <class TPage>
void Load(const TStartUrlsField<TPage>& field, TPage& page, const TPageContext& c) {
  (page.*field.member).Assign(ReadStartUrls(c.home, c.robot));
}

template <class TPage>
void Load(const TEnginesField<TPage>& field, TPage& page, const TPageContext& c) {
  for (std::string& engine : search::ListEngines(c.home, c.robot)) {
    const bool active = search::IsEngineActive(c.home, c.robot, engine);
    (page.*field.member).push_back({std::move(engine), active, false});
  }
}

template <class TPage>
void Load(const TCategoryField<TPage>& field, TPage& page, const TPageContext& c) {
  page.*field.member = Read(c.store, c.robot, field.key);
}

template <class TPage>
void Load(const TIconFileField<TPage>&, TPage&, const TPageContext&) {}  // a field common to every kind

template <class TPage>
void Load(const TDictionaryField<TPage>& field, TPage& page, const TPageContext& c) {
  const int number = Read(c.store, c.robot, field.number);
  page.*field.member = c.store.ReadString(section::kDictionary, search::DictionaryKey(number), "");
}

// --- Checking: the message of a failure (empty for none), nothing when the
// field passes ---

template <class TPage>
std::optional<std::string> Problem(const TTextField<TPage>& field, const TPage& page, const TPageContext& c) {
  const TCheckRule<TPage>& rule = field.rule;
  if (rule.onlyIf != nullptr && !(page.*rule.onlyIf)) return std::nullopt;
  const std::string& value = page.*field.member;
  bool passes = true;
  switch (rule.check) {
    case TFieldCheck::None:
      break;
    case TFieldCheck::FileExists:
      passes = IsFile(value);
      break;
    case TFieldCheck::DefinitionFileExists:
      passes = IsFile(search::RandomQueryDefinitionPath(c.home, value));
      break;
    case TFieldCheck::NotBlank:
      passes = !TrimmedInput(value).empty();
      break;
  }
  if (passes) return std::nullopt;
  return std::string(rule.message);
}

template <class TPage>
std::optional<std::string> Problem(const TStartUrlsField<TPage>& field, const TPage& page, const TPageContext&) {
  const std::vector<std::string>& urls = (page.*field.member).Urls();
  if (std::all_of(urls.begin(), urls.end(), Parses)) return std::nullopt;
  return std::string(field.message);
}

template <class TPage>
std::optional<std::string> Problem(const TEnginesField<TPage>& field, const TPage& page, const TPageContext& c) {
  const std::vector<TEngineEntry>& engines = page.*field.member;
  if (engines.empty()) return std::string(field.emptyMessage);
  const fs::path folder = search::EngineFolder(c.home, c.robot);
  for (const TEngineEntry& entry : engines) {
    if (!IsFile(folder / entry.name)) return "Fichier " + entry.name + " n'existe pas";
  }
  return std::nullopt;
}

template <class TPage>
std::optional<std::string> Problem(const TDictionaryField<TPage>& field, const TPage& page, const TPageContext&) {
  if (IsFile(page.*field.member)) return std::nullopt;
  return std::string(field.message);
}

// The category is checked while the page is written, and the remaining rows have no check.
template <class TField, class TPage>
std::optional<std::string> Problem(const TField&, const TPage&, const TPageContext&) {
  return std::nullopt;
}

// --- Writing ---

struct TWriteState {
  const TNewRobotFrm& editor;
  base::TDialogsPort& dialogs;
  std::optional<bool> validCategory;
};

template <class TPage>
void Write(const TTextField<TPage>& field, const TPage& page, const TPageContext& c, TWriteState&) {
  config::Write(c.store, c.robot, field.key, page.*field.member);
}

template <class TPage>
void Write(const TFlagField<TPage>& field, const TPage& page, const TPageContext& c, TWriteState&) {
  config::Write(c.store, c.robot, field.key, page.*field.member);
}

template <class TPage>
void Write(const TStartUrlsField<TPage>& field, const TPage& page, const TPageContext& c, TWriteState&) {
  WriteStartUrls(c.home, c.robot, (page.*field.member).Urls());
}

template <class TPage>
void Write(const TEnginesField<TPage>& field, const TPage& page, const TPageContext& c, TWriteState&) {
  for (const TEngineEntry& entry : page.*field.member) {
    search::SetEngineActive(c.home, c.robot, entry.name, entry.checked);
  }
}

template <class TPage>
void Write(const TCategoryField<TPage>& field, const TPage& page, const TPageContext& c, TWriteState& state) {
  const std::string& category = page.*field.member;
  state.validCategory = results::IsCategory(TConfigStore(results::CategoryFilePath(c.home)), category);
  if (*state.validCategory) {
    config::Write(c.store, c.robot, field.key, category);
  } else {
    state.dialogs.MessageBox(field.message, TNewRobotFrm::kErrorCaption, base::TDialogsPort::TIcon::Error);
  }
}

template <class TPage>
void Write(const TIconFileField<TPage>& field, const TPage&, const TPageContext& c, TWriteState& state) {
  config::Write(c.store, c.robot, field.key, state.editor.iconFile);
}

template <class TPage>
void Write(const TDictionaryField<TPage>&, const TPage&, const TPageContext&, TWriteState&) {}

}  // namespace

void LoadPage(const TAnyPageTable& table, TNewRobotFrm& editor, const TPageContext& context) {
  std::visit(
      [&](const auto& page) {
        auto& fields = editor.*page.page;
        for (const auto& row : page.fields) {
          std::visit([&](const auto& field) { Load(field, fields, context); }, row);
        }
      },
      table);
}

std::optional<std::string> PageProblem(const TAnyPageTable& table, const TNewRobotFrm& editor,
                                       const TPageContext& context) {
  return std::visit(
      [&](const auto& page) -> std::optional<std::string> {
        const auto& fields = editor.*page.page;
        for (const auto& row : page.fields) {
          auto problem = std::visit([&](const auto& field) { return Problem(field, fields, context); }, row);
          if (problem) return problem;
        }
        return std::nullopt;
      },
      table);
}

std::optional<bool> WritePage(const TAnyPageTable& table, const TNewRobotFrm& editor, const TPageContext& context,
                              base::TDialogsPort& dialogs) {
  TWriteState state{editor, dialogs, std::nullopt};
  std::visit(
      [&](const auto& page) {
        const auto& fields = editor.*page.page;
        for (const auto& row : page.fields) {
          std::visit([&](const auto& field) { Write(field, fields, context, state); }, row);
        }
      },
      table);
  return state.validCategory;
}

}  // namespace varnelo::config
