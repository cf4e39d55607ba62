#include "search/dictionary_register.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "config/config_keys.h"

namespace varnelo::search {
namespace {

// Values cannot hold a line break, so this default tells a missing key from an empty value.
constexpr std::string_view kMissing = "\n";

std::vector<std::string> SectionValues(const config::TConfigStore& store) {
  std::vector<std::string> values;
  for (const std::string& line : store.ReadSectionValues(config::section::kDictionary)) {
    const size_t equals = line.find('=');  // key names never hold "="
    values.push_back(equals == std::string::npos ? std::string() : line.substr(equals + 1));
  }
  return values;
}

}  // namespace

std::string DictionaryKey(long long number) { return "file" + std::to_string(number); }

std::vector<std::string> DictionaryList(const config::TConfigStore& store) { return SectionValues(store); }

std::vector<std::string> NumberedDictionaries(const config::TConfigStore& store) {
  const std::string next = config::Read(store, config::section::kGeneral, config::key::kNextNoDic);
  const int count = config::ParseStoredInteger(next, 1) - 1;
  std::vector<std::string> list;
  for (int number = 1; number <= count; ++number) {
    list.push_back(store.ReadString(config::section::kDictionary, DictionaryKey(number), ""));
  }
  return list;
}

bool IsDictionaryRegistered(const config::TConfigStore& store, std::string_view path) {
  for (const std::string& value : SectionValues(store)) {
    if (value == path) return true;
  }
  return false;
}

int AddDictionary(const config::TConfigStore& store, std::string_view path) {
  int number = 0;
  // The number and its entry are taken in one locked step: another process registering at the same
  // time would otherwise read the same `nextnodic` and one of the two entries would be lost.
  store.RunLocked([&] {
    const std::string next = config::Read(store, config::section::kGeneral, config::key::kNextNoDic);
    number = std::max(config::ParseStoredInteger(next, 1), 1);
    while (number < INT_MAX &&
           store.ReadString(config::section::kDictionary, DictionaryKey(number), kMissing) != kMissing) {
      ++number;
    }
    if (number == INT_MAX) throw std::overflow_error("no dictionary number is left");
    config::Write(store, config::section::kGeneral, config::key::kNextNoDic, std::to_string(number + 1));
    store.WriteString(config::section::kDictionary, DictionaryKey(number), path);
  });
  return number;
}

}  // namespace varnelo::search
