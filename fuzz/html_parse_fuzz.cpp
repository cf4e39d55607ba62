// Parses any bytes, rewrites the tree as markup, parses that again and walks every node.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "parsing/html_parser.h"

using varnelo::parsing::THTMLParser;
using varnelo::parsing::TTagNodeList;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  THTMLParser parser;
  size_t warnings = 0;
  parser.OnSyntaxWarning = [&warnings](THTMLParser&, const std::string&) { ++warnings; };
  parser.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string written = THTMLParser::GetHTML(parser.Root());
  parser.Parse(written);
  TTagNodeList all;
  THTMLParser::FindTags(parser.Root(), "*", all);
  // Every node of a parse is made at a distinct "<" or ">" of its input.
  size_t tagBytes = 0;
  for (char c : written) tagBytes += c == '<' || c == '>';
  if (all.Count() > tagBytes) __builtin_trap();
  return 0;
}
