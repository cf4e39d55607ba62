#pragma once

#include <unicode/ucol.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::platform {

// The order "without regard to case" of words, URLs and lines (dictionaries, bookmark files): ICU's
// root collator at secondary strength, so "Été" and "été" are one word while "e" and "é" differ, the
// same on every machine. Text is UTF-8; a text that is not valid UTF-8 is read byte for byte as
// Latin-1 so that it still gets a place. Holds scratch buffers: one collator per thread.
class TWordCollator {
public:
  TWordCollator();  // throws std::runtime_error when ICU cannot open the collator

  // Appends the sort key of `text` to `keys` and returns its length. Keys compared as bytes
  // (memcmp, then length) are in the collator's order; equal keys mean equal words for the collator.
  size_t AppendSortKey(std::string_view text, std::string& keys);

  // The collator's comparison of two texts: negative, zero or positive.
  int Compare(std::string_view a, std::string_view b);

  // Compare, then Folded on a tie: a sorted list without duplicates loses no text that the collator
  // alone would take for another (it ignores control characters, for one).
  int CompareIgnoringCase(std::string_view a, std::string_view b);

  // The text with every letter case folded: two texts are equal without regard to case exactly
  // when their folded forms are equal. Texts that are not UTF-8 fold to their own bytes, marked so
  // that they never equal a UTF-8 text.
  std::u16string Folded(std::string_view text);

private:
  struct TCloser {
    void operator()(UCollator* collator) const { ucol_close(collator); }
  };
  // The text as UTF-16 in `utf16_`; false when it was not UTF-8 and was read as Latin-1.
  bool ToUtf16(std::string_view text);

  std::unique_ptr<UCollator, TCloser> collator_;
  std::u16string utf16_;
  std::u16string other_;
  std::vector<uint8_t> key_;
};

}  // namespace varnelo::platform
