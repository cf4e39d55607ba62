#include "cli_log.h"

namespace varnelo::cli {

void TCliLog::AppendLine(std::string_view line) {
  status_.Clear();
  out_ << line << '\n' << std::flush;
}

}  // namespace varnelo::cli
