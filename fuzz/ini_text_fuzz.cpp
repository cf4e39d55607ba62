// Any bytes as an INI file of the store: listings and lookups end without a crash, and an edit of a
// section the file names reads back as written while leaving every other section's keys as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config/ini_text.h"

using varnelo::config::TIniText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TIniText ini(std::string(reinterpret_cast<const char*>(data), size));
  const std::vector<std::string_view> sections = ini.SectionNames();
  for (std::string_view section : sections) {
    for (const TIniText::TKey& key : ini.Keys(section)) {
      const auto value = ini.Value(section, key.name);
      if (!value) std::abort();
    }
  }
  if (sections.empty()) return 0;
  const std::string section(sections.front());
  const TIniText edited(ini.WithValue(section, "fuzzkey", "fuzz value"));
  if (edited.Value(section, "fuzzkey") != std::string_view("fuzz value")) std::abort();
  const TIniText removed(edited.WithoutKey(section, "fuzzkey"));
  (void)removed.Keys(section);
  const TIniText without(ini.WithoutSection(section));
  (void)without.SectionNames();
  return 0;
}
