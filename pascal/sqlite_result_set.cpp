#include "pascal/sqlite_result_set.h"

namespace varnelo::pascal {

TValue TResultSet::Current(size_t column) const {
  if (rowCount == 0) return TValue::Null();
  const TCellValue& cell = cells[position * columns.size() + column];
  if (const auto* integer = std::get_if<int64_t>(&cell)) return TValue::Integer(*integer);
  if (const auto* real = std::get_if<double>(&cell)) return TValue::Float(*real);
  if (const auto* text = std::get_if<std::string>(&cell)) return TValue::String(*text);
  return TValue::Null();
}

}  // namespace varnelo::pascal
