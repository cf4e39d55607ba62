#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace varnelo::test {

// The process's peak resident size so far (VmHWM), in bytes.
inline std::int64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  ADD_FAILURE() << "no VmHWM in /proc/self/status";
  return 0;
}

}  // namespace varnelo::test
