#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varnelo::cli {

// How the question "Voulez-vous réinitialiser tous les données déjà traitées" of a specified-pages start
// is answered: by --reset (Yes), by --keep (No), or by the user at the terminal.
enum class TResetChoice { Ask, Reset, Keep };

// "run ROBOT [--reset | --keep] [--json]" or "search ROBOT WORDS... [--json]".
struct TRunArguments {
  bool search = false;
  std::string robot;
  std::vector<std::string> words;  // search only
  TResetChoice reset = TResetChoice::Ask;
  bool json = false;
};

// The arguments after "run" (or "search" when `search`), or the reason they are wrong in `error`.
// Options may stand anywhere; the words from `endOfOptions` on (where "--" stood) are never options.
TRunArguments ParseRunArguments(bool search, const std::vector<std::string>& arguments,
                                std::optional<size_t> endOfOptions, std::string& error);

}  // namespace varnelo::cli
