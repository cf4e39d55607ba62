#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::config {

// A write that did not reach the disk: "Unable to write to <full path>".
class EConfigWriteError : public std::runtime_error {
public:
  explicit EConfigWriteError(const std::filesystem::path& file);
};

// One INI file of the program (robotconfig.ini, Category.ini, definition and activity files). Nothing is
// cached: every operation reads the file afresh, and every write replaces it atomically and durably
// under a lock that holds across threads and processes, so the file is the state that they share.
class TConfigStore {
public:
  static constexpr size_t kMaxValueLength = 2047;
  // Listings pass through a buffer of NUL-terminated names of this size; names that do not fit are
  // left out.
  static constexpr size_t kListingBufferSize = 16384;

  explicit TConfigStore(std::filesystem::path file);

  const std::filesystem::path& FileName() const { return file_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // Each write throws EConfigWriteError when the file cannot be written, or when the names or the
  // value hold what a line of the file cannot (a line break, "]" in a section name, "=" in a key).
  void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
  void WriteInteger(std::string_view section, std::string_view key, int value) const;
  void WriteBool(std::string_view section, std::string_view key, bool value) const;

  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSection(std::string_view section) const;
  std::vector<std::string> ReadSectionValues(std::string_view section) const;

  void EraseSection(std::string_view section) const;
  void DeleteKey(std::string_view section, std::string_view key) const;

  // Runs `step` as one atomic step: the file's lock is held from before its first read to after its
  // last write, so no other thread or process can write in between. The operations of any store on
  // this file that `step` calls from this thread keep that lock instead of taking it again. Writes
  // inside are each on disk when they return, as always. Throws EConfigWriteError when the lock
  // cannot be taken; whatever `step` throws passes through.
  void RunLocked(const std::function<void()>& step) const;

  // Reads the integer at `key` (or `defaultValue`), writes it plus one and returns what was read, in
  // one locked step: a counter that hands out numbers never gives the same one twice.
  int TakeNumber(std::string_view section, std::string_view key, int defaultValue) const;

private:
  std::string Load() const;
  // The stored text of a key, cut to kMaxValueLength; nothing when the key or its section is missing.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
  template <typename TEdit>
  void Modify(TEdit edit) const;

  std::filesystem::path file_;
};

// The integer a stored text stands for: decimal with an optional sign, or hexadecimal after "0x" or
// "0X" when the text is longer than two characters; anything else, or a number out of range, gives
// `defaultValue`.
int ParseStoredInteger(std::string_view text, int defaultValue);

}  // namespace varnelo::config
