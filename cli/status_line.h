#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace varnelo::cli {

// The progress line of a run on a terminal: rewritten in place, and taken away before anything else is
// written to the terminal so that it never mixes with a log line or a row. Does nothing when disabled
// (the stream is not a terminal).
class TStatusLine {
public:
  TStatusLine(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}
  TStatusLine(const TStatusLine&) = delete;
  TStatusLine& operator=(const TStatusLine&) = delete;

  bool Enabled() const { return enabled_; }
  void Show(std::string_view text);
  void Clear();

private:
  std::ostream& out_;
  const bool enabled_;
  bool shown_ = false;
};

}  // namespace varnelo::cli
