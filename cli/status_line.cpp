#include "status_line.h"

namespace varnelo::cli {
namespace {

// Back to the start of the line, and erase to its end.
constexpr std::string_view kEraseLine = "\r\x1b[K";

}  // namespace

void TStatusLine::Show(std::string_view text) {
  if (!enabled_) return;
  out_ << kEraseLine << text << std::flush;
  shown_ = true;
}

void TStatusLine::Clear() {
  if (!shown_) return;
  out_ << kEraseLine << std::flush;
  shown_ = false;
}

}  // namespace varnelo::cli
