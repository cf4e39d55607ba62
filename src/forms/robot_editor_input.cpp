#include "forms/robot_editor_input.h"

#include <algorithm>
#include <array>

#include "config/config_keys.h"
#include "config/ini_text.h"
#include "config/storable_text.h"
#include "search/definition_paths.h"

namespace varnelo::config {
namespace {

constexpr std::string_view kRemovedFromNames = "\\/:*?<>|,\"";
constexpr std::array<std::string_view, 3> kProgramSections{section::kGeneral, section::kDictionary,
                                                           section::kBookmarks};

// The length of the UTF-8 sequence that `lead` starts, or 0 when it starts none.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::optional<std::string> StorageMessage(std::string_view text, std::string_view subject) {
  const TStorageProblem problem = StorageProblem(text);
  if (problem == TStorageProblem::None) return std::nullopt;
  return StorageProblemMessage(problem, subject);
}

bool IsDotName(std::string_view name) { return name == "." || name == ".."; }

}  // namespace

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  size_t i = 0;
  while (i < text.size()) {
    size_t length = SequenceLength(static_cast<unsigned char>(text[i]));
    if (length == 0 || i + length > text.size()) length = 1;
    for (size_t k = 1; k < length; ++k) {
      if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) {
        length = 1;
        break;
      }
    }
    i += length;
    ++count;
  }
  return count;
}

std::string_view TrimmedInput(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool AcceptsRobotName(std::string_view text) { return CharacterCount(text) <= kMaxRobotNameLength; }

bool AcceptsNbSimulKey(char key) { return (key >= '0' && key <= '9') || key == '\b'; }

bool AcceptsIconFileKey(char key) { return key >= '0' && key <= '9'; }

std::string CleanedName(std::string_view name) {
  std::string kept;
  for (const char c : name) {
    if (kRemovedFromNames.find(c) == std::string_view::npos) kept.push_back(c);
  }
  return std::string(TrimmedInput(kept));
}

std::optional<std::string> RobotNameProblem(std::string_view name) {
  if (auto message = StorageMessage(name, "Le nom du robot")) return message;
  if (name.find(']') != std::string_view::npos) return "Le nom du robot ne peut pas contenir \"]\"";
  if (name.find('/') != std::string_view::npos) return "Le nom du robot ne peut pas contenir \"/\"";
  if (IsDotName(name)) return "Le nom du robot ne peut pas être \".\" ni \"..\"";
  if (IsProgramSection(name)) return "Le nom du robot ne peut pas être general, dictionary ni bookmarks";
  return std::nullopt;
}

bool IsProgramSection(std::string_view name) {
  return std::any_of(kProgramSections.begin(), kProgramSections.end(),
                     [name](std::string_view section) { return SameName(name, section); });
}

std::optional<std::string> DefinitionNameProblem(std::string_view name) {
  if (name.empty()) return "La définition doit avoir un nom";
  if (auto message = StorageMessage(name, "Le nom de la définition")) return message;
  if (name.find('/') != std::string_view::npos) return "Le nom de la définition ne peut pas contenir \"/\"";
  if (name.find('=') != std::string_view::npos) return "Le nom de la définition ne peut pas contenir \"=\"";
  if (name.front() == '[') return "Le nom de la définition ne peut pas commencer par \"[\"";
  if (IsDotName(name)) return "Le nom de la définition ne peut pas être \".\" ni \"..\"";
  if (name == search::kActivityFileName) return "Le nom de la définition ne peut pas être activeengine";
  return std::nullopt;
}

}  // namespace varnelo::config
