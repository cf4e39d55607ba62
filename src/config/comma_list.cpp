#include "config/comma_list.h"

namespace varnelo::config {

std::vector<std::string> SplitCommaList(std::string_view text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  if (text.back() == ',') text.remove_suffix(1);
  for (;;) {
    const size_t comma = text.find(',');
    items.emplace_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return items;
}

}  // namespace varnelo::config
