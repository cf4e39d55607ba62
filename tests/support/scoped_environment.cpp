#include "support/scoped_environment.h"

#include <cstdlib>

namespace varnelo::test {

TScopedEnvironment::~TScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      ::unsetenv(it->first.c_str());
    }
  }
}

void TScopedEnvironment::Remember(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  saved_.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
}

void TScopedEnvironment::Set(const std::string& name, const std::string& value) {
  Remember(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void TScopedEnvironment::Unset(const std::string& name) {
  Remember(name);
  ::unsetenv(name.c_str());
}

}  // namespace varnelo::test
