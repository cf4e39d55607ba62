#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::config {

// The bytes of one INI file, split into lines and classified. An edit returns the new bytes with only
// the lines it touches changed, so that whatever else the file holds (odd line ends, lines without
// "=", NUL bytes, duplicates) stays byte for byte. Where a name stands twice, lookups and edits act
// on its first occurrence, while listings show every occurrence.
class TIniText {
public:
  explicit TIniText(std::string text);
  TIniText(const TIniText&) = delete;
  TIniText& operator=(const TIniText&) = delete;

  // Names of the sections in file order.
  std::vector<std::string_view> SectionNames() const;
  struct TKey {
    std::string_view name;
    std::string_view value;  // that of the key's first occurrence, as a lookup reads it
  };
  // The keys of the first section called `section`, in file order.
  std::vector<TKey> Keys(std::string_view section) const;
  // The trimmed value of the first `key` in the first section called `section`.
  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;

  std::string WithValue(std::string_view section, std::string_view key, std::string_view value) const;
  std::string WithoutSection(std::string_view section) const;
  std::string WithoutKey(std::string_view section, std::string_view key) const;

  const std::string& Text() const { return text_; }

private:
  enum class TKind { Other, Section, Key };
  struct TLine {
    size_t begin = 0;  // first byte of the line
    size_t end = 0;    // end of its content, before the line end
    size_t next = 0;   // first byte of the next line
    TKind kind = TKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed
    std::string_view keyText;  // key text before "=", as written
  };
  struct TSpan {
    size_t header = 0;  // index of the section's header line
    size_t end = 0;     // index one past its last line
  };

  std::optional<TSpan> FindSection(std::string_view section) const;
  std::optional<size_t> FindKey(TSpan span, std::string_view key) const;
  std::string Splice(size_t fromLine, size_t toLine, std::string_view replacement) const;
  TLine ReadLine(size_t begin) const;
  std::string_view Content(const TLine& line) const;
  std::string_view LineEnd(size_t line) const;

  std::string text_;
  std::vector<TLine> lines_;
};

// Equality of section and key names: ASCII letters compare without regard to case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace varnelo::config
