#include "row_printer.h"

#include "row_format.h"

namespace varnelo::cli {

void TRowPrinter::Watch(base::TResultTabs& tabs) {
  watching_ += tabs.RowsAdded.Connect(
      [this](const base::TTabSheet& tab, size_t first, size_t count) { RowsAdded(tab, first, count); });
  watching_ += tabs.Navigated.Connect(
      [this](const base::TTabSheet& tab) { Print(NavigationLine(tab.Caption, tab.Content, json_)); });
}

void TRowPrinter::RowsAdded(const base::TTabSheet& tab, size_t first, size_t count) {
  for (size_t index = first; index < first + count && index < tab.Content.Rows.size(); ++index) {
    ++rows_;
    Print(RowLine(tab.Caption, tab.Content.Rows[index], json_));
  }
}

void TRowPrinter::Print(const std::string& line) {
  // Standard output may be the terminal that shows the progress line.
  status_.Clear();
  out_ << line << '\n' << std::flush;
}

}  // namespace varnelo::cli
