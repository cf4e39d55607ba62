// Any bytes run as a Pascal program end in a result or an interpreter error: no crash, no escaping exception.
// A statement budget and a shallow call depth keep every input short.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "pascal/interpreter.h"

namespace {

constexpr int kMaxStatements = 2000;
constexpr int kMaxCallDepth = 64;

std::string& ScratchFolderPath() {
  static std::string path;
  return path;
}

void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolderPath(), ignored);
}

// Programs may create and delete files: they run in a folder of their own, and libFuzzer's relative paths
// (the corpus, crash files) keep meaning what they meant once the run is over.
class TScratchFolder {
 public:
  TScratchFolder() : saved_(std::filesystem::current_path()) {
    static const bool created = [] {
      std::string pattern = (std::filesystem::temp_directory_path() / "pascal_run_fuzz_XXXXXX").string();
      if (::mkdtemp(pattern.data()) == nullptr) std::abort();
      ScratchFolderPath() = pattern;
      std::atexit(RemoveScratchFolder);
      return true;
    }();
    (void)created;
    std::filesystem::current_path(ScratchFolderPath());
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  int statements = 0;
  varnelo::pascal::TInterpreterHost host;
  host.afterStatement = [&statements] { return ++statements < kMaxStatements; };
  host.output = [](const std::string&) {};
  host.unknownIdentifier = [](const std::string& name) -> std::optional<varnelo::pascal::TValue> {
    if (name == "HostValue") return varnelo::pascal::TValue::Integer(7);
    return std::nullopt;
  };
  host.unitSource = [](const std::string& name) -> std::optional<std::string> {
    if (name == "Helper") return std::string("unit Helper; interface function Twice(x: Integer): Integer; implementation "
                                             "function Twice(x: Integer): Integer; begin Result := 2 * x; end; end.");
    return std::nullopt;
  };
  TScratchFolder inScratchFolder;
  varnelo::pascal::TInterpreter interpreter(host);
  interpreter.SetMaxCallDepth(kMaxCallDepth);
  try {
    (void)interpreter.Run(source);
  } catch (const varnelo::pascal::TScriptError&) {
  }
  return 0;
}
