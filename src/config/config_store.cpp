#include "config/config_store.h"

#include <charconv>
#include <cstdint>
#include <climits>
#include <functional>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/text.h"
#include "config/ini_text.h"
#include "platform/atomic_file.h"
#include "platform/file_lock.h"

namespace varnelo::config {
namespace {

constexpr std::string_view kBreaks("\r\n\0", 3);

bool HasBreak(std::string_view text) { return text.find_first_of(kBreaks) != std::string_view::npos; }

// Whether a line "[section]" and a line "key=value" would read back as these names and value.
bool FitsOnALine(std::string_view section, std::string_view key, std::string_view value) {
  if (HasBreak(section) || section.find(']') != std::string_view::npos) return false;
  const std::string_view trimmedKey = base::TrimBlanks(key);
  if (trimmedKey.empty() || HasBreak(key) || key.find('=') != std::string_view::npos || trimmedKey.front() == '[') {
    return false;
  }
  return !HasBreak(value);
}

// How many of the items, in order, have names that fit whole into the listing buffer beside their NUL
// terminators and the final NUL.
template <typename TItem, typename TNameOf>
size_t ListedCount(const std::vector<TItem>& items, TNameOf nameOf) {
  size_t used = 1;
  size_t count = 0;
  for (const TItem& item : items) {
    used += std::string_view(std::invoke(nameOf, item)).size() + 1;
    if (used > TConfigStore::kListingBufferSize) break;
    ++count;
  }
  return count;
}

// The files whose lock this thread holds through RunLocked. A second lock on one of them would wait
// for itself: the mutex is not recursive, and a second flock descriptor waits for the first.
thread_local std::vector<std::filesystem::path> heldFiles;

bool HeldByThisThread(const std::filesystem::path& file) {
  for (const std::filesystem::path& held : heldFiles) {
    if (held == file) return true;
  }
  return false;
}

// The file's lock, unless this thread holds it already.
class THeldLock {
public:
  explicit THeldLock(const std::filesystem::path& file) {
    if (!HeldByThisThread(file)) lock_.emplace(file);
  }

private:
  std::optional<platform::TFileLock> lock_;
};

// Marks the file as held by this thread for as long as the step runs.
class THoldMark {
public:
  explicit THoldMark(const std::filesystem::path& file) { heldFiles.push_back(file); }
  THoldMark(const THoldMark&) = delete;
  THoldMark& operator=(const THoldMark&) = delete;
  ~THoldMark() { heldFiles.pop_back(); }
};

}  // namespace

EConfigWriteError::EConfigWriteError(const std::filesystem::path& file)
    : std::runtime_error("Unable to write to " + file.string()) {}

TConfigStore::TConfigStore(std::filesystem::path file) : file_(std::filesystem::absolute(file)) {}

std::string TConfigStore::Load() const {
  try {
    return platform::ReadWholeFile(file_).value_or(std::string());
  } catch (const std::system_error&) {
    // An unreadable file reads like a missing one: every reader then gets its default.
    return {};
  }
}

template <typename TEdit>
void TConfigStore::Modify(TEdit edit) const {
  try {
    const THeldLock lock(file_);
    // Unlike a read, a write must not take an unreadable file for an empty one.
    const TIniText current(platform::ReadWholeFile(file_).value_or(std::string()));
    const std::string changed = edit(current);
    if (changed == current.Text()) return;
    platform::ReplaceFileAtomically(file_, changed);
  } catch (const std::system_error&) {
    throw EConfigWriteError(file_);
  }
}

std::optional<std::string> TConfigStore::ReadValue(std::string_view section, std::string_view key) const {
  const TIniText text(Load());
  const auto value = text.Value(section, key);
  if (!value) return std::nullopt;
  return std::string(value->substr(0, kMaxValueLength));
}

std::string TConfigStore::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
  return ReadValue(section, key).value_or(std::string(defaultValue));
}

int TConfigStore::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
  const auto value = ReadValue(section, key);
  return value ? ParseStoredInteger(*value, defaultValue) : defaultValue;
}

bool TConfigStore::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TConfigStore::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
  if (!FitsOnALine(section, key, value)) throw EConfigWriteError(file_);
  Modify([&](const TIniText& text) { return text.WithValue(section, key, value); });
}

void TConfigStore::WriteInteger(std::string_view section, std::string_view key, int value) const {
  WriteString(section, key, std::to_string(value));
}

void TConfigStore::WriteBool(std::string_view section, std::string_view key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> TConfigStore::ReadSections() const {
  const TIniText text(Load());
  const auto names = text.SectionNames();
  return {names.begin(), names.begin() + ListedCount(names, std::identity())};
}

std::vector<std::string> TConfigStore::ReadSection(std::string_view section) const {
  const TIniText text(Load());
  const auto keys = text.Keys(section);
  std::vector<std::string> names;
  for (size_t i = 0, listed = ListedCount(keys, &TIniText::TKey::name); i < listed; ++i) {
    names.emplace_back(keys[i].name);
  }
  return names;
}

std::vector<std::string> TConfigStore::ReadSectionValues(std::string_view section) const {
  const TIniText text(Load());
  const auto keys = text.Keys(section);
  std::vector<std::string> lines;
  for (size_t i = 0, listed = ListedCount(keys, &TIniText::TKey::name); i < listed; ++i) {
    lines.emplace_back(keys[i].name).append("=").append(keys[i].value.substr(0, kMaxValueLength));
  }
  return lines;
}

void TConfigStore::EraseSection(std::string_view section) const {
  Modify([&](const TIniText& text) { return text.WithoutSection(section); });
}

void TConfigStore::DeleteKey(std::string_view section, std::string_view key) const {
  Modify([&](const TIniText& text) { return text.WithoutKey(section, key); });
}

void TConfigStore::RunLocked(const std::function<void()>& step) const {
  std::optional<THeldLock> lock;
  try {
    lock.emplace(file_);
  } catch (const std::system_error&) {
    throw EConfigWriteError(file_);
  }
  const THoldMark mark(file_);
  step();
}

int TConfigStore::TakeNumber(std::string_view section, std::string_view key, int defaultValue) const {
  int number = 0;
  RunLocked([&] {
    number = ReadInteger(section, key, defaultValue);
    if (number == INT_MAX) throw std::overflow_error("no number is left for " + std::string(key));
    WriteInteger(section, key, number + 1);
  });
  return number;
}

int ParseStoredInteger(std::string_view text, int defaultValue) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Hexadecimal covers 32 bits and wraps into the negative range, as "0xFFFFFFFF" is -1.
    std::uint32_t bits = 0;
    const auto digits = text.substr(2);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bits, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return defaultValue;
    return static_cast<int>(bits);
  }
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return defaultValue;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (error != std::errc() || end != text.data() + text.size()) return defaultValue;
  return value;
}

}  // namespace varnelo::config
