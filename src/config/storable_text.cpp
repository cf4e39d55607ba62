#include "config/storable_text.h"

#include "base/text.h"
#include "config/config_store.h"
#include "config/ini_text.h"

namespace varnelo::config {

TStorageProblem StorageProblem(std::string_view text) {
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return TStorageProblem::LineBreak;
  if (base::TrimBlanks(text).size() != text.size()) return TStorageProblem::OuterBlank;
  if (text.size() > TConfigStore::kMaxValueLength) return TStorageProblem::TooLong;
  return TStorageProblem::None;
}

std::string StorageProblemMessage(TStorageProblem problem, std::string_view subject) {
  switch (problem) {
    case TStorageProblem::None:
      return {};
    case TStorageProblem::LineBreak:
      return std::string(subject) + " ne peut pas contenir de saut de ligne ni de caractère nul";
    case TStorageProblem::OuterBlank:
      return std::string(subject) + " ne peut pas commencer ni finir par un blanc";
    case TStorageProblem::TooLong:
      return std::string(subject) + " ne peut pas dépasser " + std::to_string(TConfigStore::kMaxValueLength) +
             " octets";
  }
  return {};
}

}  // namespace varnelo::config
