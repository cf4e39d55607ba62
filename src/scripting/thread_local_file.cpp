#include "scripting/thread_local_file.h"

#include <system_error>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace varnelo::scripting {

void TThreadLocalFile::Execute() {
  std::optional<std::string> content;
  try {
    content = platform::ReadWholeFile(Settings().LocalFile);
  } catch (const std::system_error&) {
  }
  // A file that cannot be read ends the run without a word.
  if (!content) return;
  lines_ = base::SplitLines(*content);
  if (Settings().SendToScript) RunScript("local file", &lines_);
  OpenResultFile();
}

}  // namespace varnelo::scripting
