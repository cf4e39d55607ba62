#pragma once

#include <ostream>
#include <string_view>

#include "base/log_port.h"
#include "status_line.h"

namespace varnelo::cli {

// The program log of the command line: each line goes to the stream (standard error) as it comes.
class TCliLog : public base::TLogPort {
public:
  TCliLog(std::ostream& out, TStatusLine& status) : out_(out), status_(status) {}
  void AppendLine(std::string_view line) override;

private:
  std::ostream& out_;
  TStatusLine& status_;
};

}  // namespace varnelo::cli
