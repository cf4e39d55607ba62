#include "row_printer.h"

#include "row_format.h"

namespace varnelo::cli {

void TRowPrinter::RowAdded(const results::TTabSheet& tab, const results::TListRow& row) {
  ++rows_;
  Print(RowLine(tab.Caption, row, json_));
}

void TRowPrinter::Navigated(const results::TTabSheet& tab) { Print(NavigationLine(tab.Caption, tab.Content, json_)); }

void TRowPrinter::Print(const std::string& line) {
  // Standard output may be the terminal that shows the progress line.
  status_.Clear();
  out_ << line << '\n' << std::flush;
}

}  // namespace varnelo::cli
