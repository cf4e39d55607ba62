#include "runner/list_file.h"

#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace varnelo::runner {

std::vector<std::string> LoadListFile(const std::filesystem::path& file) {
  std::optional<std::string> content;
  std::error_code ignored;
  if (std::filesystem::is_directory(file, ignored)) {
    throw std::runtime_error("Unable to read " + file.string() + ": is a folder");
  }
  try {
    content = platform::ReadWholeFile(file);
  } catch (const std::system_error& error) {
    throw std::runtime_error("Unable to read " + file.string() + ": " + error.code().message());
  }
  if (!content) throw std::runtime_error("Unable to read " + file.string() + ": no such file");
  return base::SplitLines(*content);
}

}  // namespace varnelo::runner
