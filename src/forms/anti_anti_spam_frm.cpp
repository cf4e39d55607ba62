#include "forms/anti_anti_spam_frm.h"

#include <tuple>

#include "config/comma_list.h"
#include "config/config_keys.h"
#include "config/storable_text.h"

namespace varnelo::filters {
namespace fs = std::filesystem;
namespace {

using config::TStorageProblem;

config::TConfigStore RobotConfig(const fs::path& home) { return config::TConfigStore(home / config::kRobotConfigFile); }

std::vector<std::string> SplitAtCommas(std::string_view text) {
  std::vector<std::string> pieces;
  for (size_t begin = 0;;) {
    const size_t comma = text.find(',', begin);
    pieces.emplace_back(text.substr(begin, comma - begin));
    if (comma == std::string_view::npos) return pieces;
    begin = comma + 1;
  }
}

std::string JoinWithCommas(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (&word != &words.front()) text += ',';
    text += word;
  }
  return text;
}

// The message refusing `text` for `subject`; nothing when the store gives it back unchanged, or changed
// only in blanks that do not matter.
std::optional<std::string> ProblemOf(std::string_view text, std::string_view subject, bool blanksMatter) {
  const TStorageProblem problem = config::StorageProblem(text);
  if (problem == TStorageProblem::None || (problem == TStorageProblem::OuterBlank && !blanksMatter)) {
    return std::nullopt;
  }
  return config::StorageProblemMessage(problem, subject);
}

}  // namespace

auto TAntiAntiSpamFrm::Watch() {
  return Changed.Watch([this] {
    using base::Field;
    return std::make_tuple(Field(TField::Words, words_), Field(TField::SelectedWord, selectedWord),
                           Field(TField::MaxExtractedItems, maxExtractedItems), Field(TField::OutputDir, outputDir));
  });
}

TAntiAntiSpamFrm::TAntiAntiSpamFrm(fs::path home, base::TDialogsPort& dialogs)
    : home_(std::move(home)), dialogs_(dialogs) {
  const config::TConfigStore store = RobotConfig(home_);
  words_ = config::SplitCommaList(config::Read(store, config::section::kGeneral, config::key::kSpamWord));
  maxExtractedItems = config::Read(store, config::section::kGeneral, config::key::kMaxExtractedItemsAntiSpamDialog);
  outputDir = config::Read(store, config::section::kGeneral, config::key::kOutputDir);
  // Only a present key reads empty: an absent one gives its default.
  if (outputDir.empty()) outputDir = (home_ / kGarbageFolder).string();
}

void TAntiAntiSpamFrm::Refuse(std::string_view text) const {
  dialogs_.MessageBox(text, "Erreur", base::TDialogsPort::TIcon::Error);
}

void TAntiAntiSpamFrm::ClickAdd() {
  const auto watch = Watch();
  if (config::StorageProblem(wordField) == TStorageProblem::LineBreak) {
    return Refuse(config::StorageProblemMessage(TStorageProblem::LineBreak, "Un mot"));
  }
  for (std::string& piece : SplitAtCommas(wordField)) words_.push_back(std::move(piece));
}

void TAntiAntiSpamFrm::ClickRemove() {
  const auto watch = Watch();
  if (!selectedWord || *selectedWord >= words_.size()) return;
  words_.erase(words_.begin() + static_cast<std::ptrdiff_t>(*selectedWord));
  selectedWord.reset();
}

void TAntiAntiSpamFrm::ClickChooseFolder() {
  const auto watch = Watch();
  if (const auto folder = dialogs_.ChooseFolder(kOutputDirLabel, outputDir)) outputDir = folder->string();
}

bool TAntiAntiSpamFrm::ClickOk() {
  const std::string spamWord = JoinWithCommas(words_);
  // The store reads a value trimmed and cut to its length limit; what it would change is refused here
  // rather than silently lost at the next opening. Blanks around the number do not change it.
  for (const auto& problem : {ProblemOf(spamWord, "La liste des mots", true),
                              ProblemOf(maxExtractedItems, "Le nombre maximal de résultats", false),
                              ProblemOf(outputDir, "Le nom du dossier", true)}) {
    if (problem) {
      Refuse(*problem);
      return false;
    }
  }

  const config::TConfigStore store = RobotConfig(home_);
  config::Write(store, config::section::kGeneral, config::key::kSpamWord, spamWord);
  config::Write(store, config::section::kGeneral, config::key::kMaxExtractedItemsAntiSpamDialog, maxExtractedItems);
  config::Write(store, config::section::kGeneral, config::key::kOutputDir, outputDir);
  return true;
}

}  // namespace varnelo::filters
