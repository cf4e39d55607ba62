#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word_collator.h"

namespace varnelo::search {

// The words of a dictionary file as registration leaves them: one per line, trimmed, A to Z lowered,
// in the collator's order, and no two equal without regard to case (the first one read stays). The
// words share one buffer, so a list costs about what its file does.
class TSortedWordList {
public:
  // Called after each line is taken, with the bytes of the lines taken so far (line ends not counted).
  using TLineObserver = std::function<void(uint64_t bytesRead)>;
  // Called after each word is written, with the count written so far.
  using TWordObserver = std::function<void(size_t wordsWritten)>;

  // Lines end with CR LF, LF or CR. Bytes 0 to 32 are trimmed from both ends of a line; what they
  // leave inside a word stays.
  static TSortedWordList FromText(std::string_view text, platform::TWordCollator& collator,
                                  const TLineObserver& onLine = nullptr);

  size_t Size() const { return order_.size(); }
  std::string_view Word(size_t index) const { return {words_.data() + order_[index].begin, order_[index].size}; }

  // The words, each followed by CR LF.
  std::string ToText(const TWordObserver& onWord = nullptr) const;

private:
  struct TSpan {
    size_t begin = 0;
    size_t size = 0;
  };
  std::string words_;
  std::vector<TSpan> order_;
};

// The line without the bytes 0 to 32 at its ends.
std::string_view TrimControls(std::string_view line);

// Lowers the letters A to Z; every other byte stays.
void LowerAsciiLetters(std::string_view text, std::string& out);

}  // namespace varnelo::search
