#pragma once

#include <string>
#include <string_view>

namespace varnelo::config {

// Why a text written as a value of an INI file would not read back as itself.
enum class TStorageProblem {
  None,
  LineBreak,   // a CR, LF or NUL byte ends the line early
  OuterBlank,  // a read removes the blanks around a value
  TooLong,     // a read returns at most TConfigStore::kMaxValueLength bytes
};

TStorageProblem StorageProblem(std::string_view text);

// The message that refuses such a text: `subject` (for example "Le nom de la catégorie") and what it
// cannot hold. Empty for TStorageProblem::None.
std::string StorageProblemMessage(TStorageProblem problem, std::string_view subject);

}  // namespace varnelo::config
