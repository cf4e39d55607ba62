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

}  // namespace varnelo::config
