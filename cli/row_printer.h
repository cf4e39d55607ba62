#pragma once

#include <ostream>

#include "base/result_tabs.h"
#include "base/signal.h"
#include "status_line.h"

namespace varnelo::cli {

// What the command line shows of the result tabs: one line on the stream (standard output) for each
// row added to a list tab and for each navigation of a browser tab (see row_format.h).
class TRowPrinter {
public:
  TRowPrinter(std::ostream& out, bool json, TStatusLine& status) : out_(out), json_(json), status_(status) {}

  // Prints what the tabs show from now on, for as long as the printer lives.
  void Watch(base::TResultTabs& tabs);

  // The rows printed so far.
  long Rows() const { return rows_; }

private:
  void RowsAdded(const base::TTabSheet& tab, size_t first, size_t count);
  void Print(const std::string& line);

  std::ostream& out_;
  const bool json_;
  TStatusLine& status_;
  long rows_ = 0;
  base::TConnections watching_;
};

}  // namespace varnelo::cli
