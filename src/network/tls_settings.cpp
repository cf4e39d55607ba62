#include "network/tls_settings.h"

#include <cstdlib>
#include <mutex>

#include "config/config_keys.h"

namespace varnelo::network {
namespace {

std::mutex configMutex;
std::filesystem::path configFile;

}  // namespace

void SetTlsConfigFile(const std::filesystem::path& robotConfig) {
  const std::lock_guard lock(configMutex);
  configFile = robotConfig;
}

bool ReadTlsVerify() {
  std::filesystem::path file;
  {
    const std::lock_guard lock(configMutex);
    file = configFile;
  }
  if (file.empty()) return true;
  return ReadTlsVerify(config::TConfigStore(file));
}

bool ReadTlsVerify(const config::TConfigStore& robotConfig) {
  return robotConfig.ReadString(config::section::kGeneral, kTlsVerifyKey, "1") != "0";
}

std::string ExtraCaFileFromEnvironment() {
  const char* value = std::getenv(std::string(kExtraCaFileVariable).c_str());
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace varnelo::network
