#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnelo::test {

// Sets or unsets environment variables for the life of the object and restores every one of them as
// it was, in reverse order, at the end.
class TScopedEnvironment {
public:
  TScopedEnvironment() = default;
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;
  ~TScopedEnvironment();

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

private:
  void Remember(const std::string& name);

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace varnelo::test
