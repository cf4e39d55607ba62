#include "config/config_keys.h"

namespace varnelo::config {

std::string Read(const TConfigStore& store, std::string_view section, const TStringKey& key) {
  return store.ReadString(section, key.name, key.defaultValue);
}

int Read(const TConfigStore& store, std::string_view section, const TIntegerKey& key) {
  return store.ReadInteger(section, key.name, key.defaultValue);
}

bool Read(const TConfigStore& store, std::string_view section, const TBoolKey& key) {
  return store.ReadBool(section, key.name, key.defaultValue);
}

void Write(const TConfigStore& store, std::string_view section, const TStringKey& key, std::string_view value) {
  store.WriteString(section, key.name, value);
}

void Write(const TConfigStore& store, std::string_view section, const TIntegerKey& key, int value) {
  store.WriteInteger(section, key.name, value);
}

void Write(const TConfigStore& store, std::string_view section, const TBoolKey& key, bool value) {
  store.WriteBool(section, key.name, value);
}

std::vector<std::string> RobotSections(const std::vector<std::string>& sections) {
  std::vector<std::string> robots;
  for (const std::string& name : sections) {
    if (name != section::kGeneral && name != section::kDictionary) robots.push_back(name);
  }
  return robots;
}

}  // namespace varnelo::config
