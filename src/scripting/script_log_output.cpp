#include "scripting/script_log_output.h"

namespace varnelo::scripting {

void TScriptLogOutput::Write(const std::string& text) {
  pending_ += text;
  size_t start = 0;
  for (size_t end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n', start)) {
    const size_t length = end > start && pending_[end - 1] == '\r' ? end - start - 1 : end - start;
    appendLine_(pending_.substr(start, length));
    start = end + 1;
  }
  pending_.erase(0, start);
}

void TScriptLogOutput::Flush() {
  if (pending_.empty()) return;
  appendLine_(pending_);
  pending_.clear();
}

}  // namespace varnelo::scripting
