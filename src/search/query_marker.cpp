#include "search/query_marker.h"

namespace varnelo::search {

std::string ReplaceQueryMarker(std::string_view text, std::string_view value) {
  std::string out;
  out.reserve(text.size() + value.size());
  size_t from = 0;
  for (size_t at = text.find(kQueryMarker); at != std::string_view::npos; at = text.find(kQueryMarker, from)) {
    out.append(text.substr(from, at - from)).append(value);
    from = at + kQueryMarker.size();
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace varnelo::search
