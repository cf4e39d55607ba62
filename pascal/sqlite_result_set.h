#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "pascal/value.h"

namespace varnelo::pascal {

// One value as SQLite gives it: NULL, integer, real, or text (blobs are kept as their bytes).
using TCellValue = std::variant<std::monostate, int64_t, double, std::string>;

// The rows of an open query and its cursor. The rows are read whole when the query opens, as SQLdb
// ends up holding every row it walks; fields keep the set alive and see it close.
struct TResultSet {
  std::vector<std::string> columns;
  std::vector<TCellValue> cells;  // row after row
  size_t rowCount = 0;
  size_t position = 0;  // the current row; meaningful when rowCount > 0
  bool bof = true;
  bool eof = true;
  bool open = true;

  // The value of `column` in the current row; Null when there are no rows.
  TValue Current(size_t column) const;
};

}  // namespace varnelo::pascal
