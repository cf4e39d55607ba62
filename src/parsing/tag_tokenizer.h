#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::parsing {

// Cuts the text of a start tag into words: the first is the element's name, the others its
// attributes. A leading "<" and a trailing ">" are removed when the text is longer than one byte.
// Tab, CR and blank end a word outside quotes; LF outside quotes is dropped; quotes group and are
// dropped; "=" outside quotes swallows the tabs, LFs, CRs and blanks after it. Empty words are skipped.
std::vector<std::string> TokenizeTag(std::string_view tag);

namespace detail {

// Bytes that end or interrupt a run of word bytes outside quotes.
inline constexpr auto kTagWordStop = [] {
  struct TTable {
    bool stop[256] = {};
  } table;
  for (unsigned char c : {'\t', '\n', '\r', ' ', '"', '\'', '='}) table.stop[c] = true;
  return table;
}();

inline bool IsTagBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

}  // namespace detail

// The same words handed one by one to `sink` as string views. A word that is one run of the tag's
// bytes is a view into `tag`; any other is gathered in `scratch`, which is reserved once so that its
// views stay valid until `scratch` is next changed. A parse thus allocates nothing here.
template <class TSink>
void ForEachTagWord(std::string_view tag, std::string& scratch, TSink&& sink) {
  if (tag.size() > 1) {
    if (tag.front() == '<') tag.remove_prefix(1);
    if (!tag.empty() && tag.back() == '>') tag.remove_suffix(1);
  }
  // Every byte of the tag lands in `scratch` at most once, so this reserve is never outgrown.
  scratch.clear();
  scratch.reserve(tag.size());
  const char* p = tag.data();
  const char* const end = p + tag.size();
  // The current word is scratch[wordStart, size()) followed by the input run [runStart, p).
  const char* runStart = p;
  size_t wordStart = 0;
  const auto complete = [&] {
    if (scratch.size() == wordStart) {
      if (p > runStart) sink(std::string_view(runStart, static_cast<size_t>(p - runStart)));
      return;
    }
    scratch.append(runStart, p);
    sink(std::string_view(scratch).substr(wordStart));
    wordStart = scratch.size();
  };
  while (p < end) {
    while (!detail::kTagWordStop.stop[static_cast<unsigned char>(*p)]) {
      if (++p == end) {
        complete();
        return;
      }
    }
    const char c = *p;
    switch (c) {
      case '\n':  // dropped without ending the word
        scratch.append(runStart, p);
        runStart = ++p;
        break;
      case '"':
      case '\'': {
        // Everything up to the closing quote belongs to the word; an unclosed quote runs to the end.
        scratch.append(runStart, p);
        ++p;
        const void* close = std::memchr(p, c, static_cast<size_t>(end - p));
        const char* const quoteEnd = close != nullptr ? static_cast<const char*>(close) : end;
        scratch.append(p, quoteEnd);
        p = close != nullptr ? quoteEnd + 1 : end;
        runStart = p;
        break;
      }
      case '=': {
        const char* const afterEquals = ++p;
        while (p < end && detail::IsTagBlank(*p)) ++p;
        if (p > afterEquals) {
          scratch.append(runStart, afterEquals);
          runStart = p;
        }
        break;
      }
      default:  // tab, CR, blank
        complete();
        runStart = ++p;
        break;
    }
  }
  complete();
}

}  // namespace varnelo::parsing
