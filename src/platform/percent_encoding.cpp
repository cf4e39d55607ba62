#include "platform/percent_encoding.h"

namespace varnelo::platform {

void AppendPercentEscape(std::string& out, unsigned char c) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += '%';
  out += kDigits[c >> 4];
  out += kDigits[c & 15];
}

}  // namespace varnelo::platform
