#pragma once

#include <string_view>

namespace varnelo::base {

// The program log: robots and workers append whole lines (on the main thread).
class TLogPort {
public:
  virtual ~TLogPort() = default;
  virtual void AppendLine(std::string_view line) = 0;
};

}  // namespace varnelo::base
