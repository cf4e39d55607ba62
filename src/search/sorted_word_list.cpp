#include "search/sorted_word_list.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "base/text.h"

namespace varnelo::search {
namespace {

// One word read, with the first bytes of its sort key packed in an integer so that most comparisons
// of the sort touch neither buffer.
struct TEntry {
  uint64_t prefix = 0;
  size_t keyBegin = 0;
  size_t wordBegin = 0;
  uint32_t keySize = 0;
  uint32_t wordSize = 0;
};

uint64_t KeyPrefix(const char* key, size_t size) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i) prefix = (prefix << 8) | (i < size ? static_cast<unsigned char>(key[i]) : 0u);
  return prefix;
}

class TKeyOrder {
public:
  explicit TKeyOrder(const std::string& keys) : keys_(keys) {}

  // Negative, zero or positive as the keys of a and b compare.
  int Compare(const TEntry& a, const TEntry& b) const {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    if (a.keySize <= 8 || b.keySize <= 8) return static_cast<int>(a.keySize) - static_cast<int>(b.keySize);
    const size_t common = std::min(a.keySize, b.keySize) - 8;
    const int bytes = std::memcmp(keys_.data() + a.keyBegin + 8, keys_.data() + b.keyBegin + 8, common);
    if (bytes != 0) return bytes;
    return a.keySize < b.keySize ? -1 : (a.keySize > b.keySize ? 1 : 0);
  }

private:
  const std::string& keys_;
};

}  // namespace

std::string_view TrimControls(std::string_view line) {
  return base::TrimSpaces(line);
}

void LowerAsciiLetters(std::string_view text, std::string& out) {
  for (char c : text) out.push_back(base::AsciiLower(c));
}

TSortedWordList TSortedWordList::FromText(std::string_view text, platform::TWordCollator& collator,
                                          const TLineObserver& onLine) {
  TSortedWordList list;
  list.words_.reserve(text.size());
  std::string keys;
  keys.reserve(text.size() + text.size() / 2);
  std::vector<TEntry> entries;
  // Counting the lines first spares the doubling of a growing vector, which would cost more memory
  // than the file.
  size_t lineBreaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  if (lineBreaks == 0) lineBreaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\r'));
  entries.reserve(lineBreaks + 1);

  uint64_t bytesRead = 0;
  size_t position = 0;
  while (position < text.size()) {
    size_t end = text.find_first_of("\r\n", position);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(position, end - position);
    position = end;
    if (position < text.size()) position += text[position] == '\r' && position + 1 < text.size() && text[position + 1] == '\n' ? 2 : 1;

    bytesRead += line.size();
    const std::string_view trimmed = TrimControls(line);
    if (!trimmed.empty()) {
      if (trimmed.size() > UINT32_MAX) throw std::length_error("word too long to be sorted");
      TEntry entry;
      entry.wordBegin = list.words_.size();
      entry.wordSize = static_cast<uint32_t>(trimmed.size());
      LowerAsciiLetters(trimmed, list.words_);
      entry.keyBegin = keys.size();
      const size_t keySize =
          collator.AppendSortKey(std::string_view(list.words_).substr(entry.wordBegin), keys);
      if (keySize > UINT32_MAX) throw std::length_error("word too long to be sorted");
      entry.keySize = static_cast<uint32_t>(keySize);
      entry.prefix = KeyPrefix(keys.data() + entry.keyBegin, keySize);
      entries.push_back(entry);
    }
    if (onLine) onLine(bytesRead);
  }

  // Entries are in reading order, so breaking ties by position keeps the first word read first.
  const TKeyOrder order(keys);
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    const int compared = order.Compare(a, b);
    return compared != 0 ? compared < 0 : a.wordBegin < b.wordBegin;
  });

  // Equal keys may still hold words that differ by more than case (characters the collator
  // ignores, width variants): only words equal once case-folded are dropped.
  const auto wordOf = [&](const TEntry& entry) {
    return std::string_view(list.words_).substr(entry.wordBegin, entry.wordSize);
  };
  std::unordered_set<std::u16string> folded;
  list.order_.reserve(entries.size());
  for (size_t first = 0; first < entries.size();) {
    size_t last = first + 1;
    while (last < entries.size() && order.Compare(entries[first], entries[last]) == 0) ++last;
    list.order_.push_back({entries[first].wordBegin, entries[first].wordSize});
    folded.clear();
    for (size_t i = first + 1; i < last; ++i) {
      if (wordOf(entries[i]) == wordOf(entries[first])) continue;
      if (folded.empty()) folded.insert(collator.Folded(wordOf(entries[first])));
      if (folded.insert(collator.Folded(wordOf(entries[i]))).second) {
        list.order_.push_back({entries[i].wordBegin, entries[i].wordSize});
      }
    }
    first = last;
  }
  return list;
}

std::string TSortedWordList::ToText(const TWordObserver& onWord) const {
  size_t size = 0;
  for (const TSpan& span : order_) size += span.size + 2;
  std::string text;
  text.reserve(size);
  for (size_t i = 0; i < order_.size(); ++i) {
    text.append(Word(i)).append("\r\n");
    if (onWord) onWord(i + 1);
  }
  return text;
}

}  // namespace varnelo::search
