#include "cli_shell_open.h"

#include <string>

namespace varnelo::cli {

void TCliShellOpen::OpenDocument(const std::filesystem::path& file) { log_.AppendLine("open " + file.string()); }

void TCliShellOpen::OpenUrl(std::string_view url) { log_.AppendLine("open " + std::string(url)); }

}  // namespace varnelo::cli
