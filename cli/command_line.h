#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnelo::cli {

struct TCommandLine {
  std::optional<std::filesystem::path> home;
  bool help = false;
  bool version = false;
  std::string command;
  std::vector<std::string> arguments;
  // Where "--" stood among the arguments (0 when it came before the command): those from this index on
  // are never options.
  std::optional<size_t> endOfOptions;
  std::string error;  // not empty when the words could not be understood
};

// Global options (--home DIR, --home=DIR, --help, -h, --version) are taken wherever they stand; the
// first other word is the command and the rest are its arguments, other options after the command
// included (the command reads its own). "--" ends the options.
TCommandLine ParseCommandLine(const std::vector<std::string>& words);

std::string Usage();

}  // namespace varnelo::cli
