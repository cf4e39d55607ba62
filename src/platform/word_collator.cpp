#include "platform/word_collator.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <climits>
#include <stdexcept>

namespace varnelo::platform {
namespace {

// ICU measures texts in int32_t; a longer word is not a word.
void CheckLength(size_t size) {
  if (size > static_cast<size_t>(INT32_MAX / 2)) throw std::length_error("word too long to be compared");
}

}  // namespace

TWordCollator::TWordCollator() {
  UErrorCode status = U_ZERO_ERROR;
  collator_.reset(ucol_open("", &status));
  if (U_FAILURE(status) || !collator_) {
    throw std::runtime_error(std::string("cannot open the ICU root collator: ") + u_errorName(status));
  }
  ucol_setStrength(collator_.get(), UCOL_SECONDARY);
}

bool TWordCollator::ToUtf16(std::string_view text) {
  CheckLength(text.size());
  // UTF-8 never needs more UTF-16 units than bytes.
  if (utf16_.size() < text.size()) utf16_.resize(text.size());
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  u_strFromUTF8(utf16_.data(), static_cast<int32_t>(utf16_.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &status);
  if (U_SUCCESS(status)) {
    utf16_.resize(static_cast<size_t>(length));
    return true;
  }
  utf16_.assign(text.begin(), text.end());
  for (char16_t& unit : utf16_) unit = static_cast<unsigned char>(unit);
  return false;
}

size_t TWordCollator::AppendSortKey(std::string_view text, std::string& keys) {
  ToUtf16(text);
  const auto length = static_cast<int32_t>(utf16_.size());
  if (key_.size() < 64) key_.resize(64);
  int32_t needed = ucol_getSortKey(collator_.get(), utf16_.data(), length, key_.data(),
                                   static_cast<int32_t>(key_.size()));
  if (needed > static_cast<int32_t>(key_.size())) {
    key_.resize(static_cast<size_t>(needed));
    needed = ucol_getSortKey(collator_.get(), utf16_.data(), length, key_.data(), needed);
  }
  if (needed <= 0) throw std::runtime_error("cannot compute a collation key");
  keys.append(reinterpret_cast<const char*>(key_.data()), static_cast<size_t>(needed));
  return static_cast<size_t>(needed);
}

int TWordCollator::Compare(std::string_view a, std::string_view b) {
  ToUtf16(a);
  other_ = utf16_;
  ToUtf16(b);
  return ucol_strcoll(collator_.get(), other_.data(), static_cast<int32_t>(other_.size()), utf16_.data(),
                      static_cast<int32_t>(utf16_.size()));
}

int TWordCollator::CompareIgnoringCase(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  if (const int order = Compare(a, b); order != 0) return order;
  const std::u16string left = Folded(a);
  const std::u16string right = Folded(b);
  return left.compare(right);
}

std::u16string TWordCollator::Folded(std::string_view text) {
  if (!ToUtf16(text)) {
    // A lead surrogate followed by a unit below 0x100 never comes out of valid UTF-8.
    std::u16string bytes(1, u'\xD800');
    for (const char16_t unit : utf16_) bytes += static_cast<char16_t>(u_foldCase(unit, U_FOLD_CASE_DEFAULT));
    return bytes;
  }
  std::u16string folded(utf16_.size() * 3 + 1, u'\0');  // full folding at most triples a unit
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), utf16_.data(),
                                       static_cast<int32_t>(utf16_.size()), U_FOLD_CASE_DEFAULT, &status);
  if (U_FAILURE(status)) throw std::runtime_error(std::string("cannot fold the case of a word: ") + u_errorName(status));
  folded.resize(static_cast<size_t>(length));
  return folded;
}

}  // namespace varnelo::platform
