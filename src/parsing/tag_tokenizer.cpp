#include "parsing/tag_tokenizer.h"

namespace varnelo::parsing {

std::vector<std::string> TokenizeTag(std::string_view tag) {
  std::vector<std::string> words;
  std::string scratch;
  ForEachTagWord(tag, scratch, [&words](std::string_view word) { words.emplace_back(word); });
  return words;
}

}  // namespace varnelo::parsing
