#pragma once

#include <ostream>

#include "results/result_tabs.h"
#include "status_line.h"

namespace varnelo::cli {

// What the command line shows of the result tabs: one line on the stream (standard output) for each
// row added to a list tab and for each navigation of a browser tab (see row_format.h).
class TRowPrinter : public results::TResultTabsView {
public:
  TRowPrinter(std::ostream& out, bool json, TStatusLine& status) : out_(out), json_(json), status_(status) {}

  void TabOpened(const results::TTabSheet&) override {}
  void RowAdded(const results::TTabSheet& tab, const results::TListRow& row) override;
  void Navigated(const results::TTabSheet& tab) override;
  void TabClosed(results::TTabId) override {}

  // The rows printed so far.
  long Rows() const { return rows_; }

private:
  void Print(const std::string& line);

  std::ostream& out_;
  const bool json_;
  TStatusLine& status_;
  long rows_ = 0;
};

}  // namespace varnelo::cli
