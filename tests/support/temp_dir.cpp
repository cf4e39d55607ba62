#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace varnelo::test {
namespace fs = std::filesystem;

TTempDir::TTempDir() {
  std::string pattern = (fs::temp_directory_path() / "varnelo-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace varnelo::test
