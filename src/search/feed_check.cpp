#include "search/feed_check.h"

#include <libxml/parser.h>

#include <limits>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "search/feed_document.h"

namespace varnelo::search {
namespace {

constexpr std::string_view kRdfNamespace = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
// Longer root names are not worth a log line; they are left out of it.
constexpr size_t kMaxNameInLog = 64;

struct TRoot {
  std::string name;       // as written, prefix included
  std::string localName;
  std::string ns;
};

std::string Text(const xmlChar* text) { return text == nullptr ? "" : reinterpret_cast<const char*>(text); }

bool IsFeedRoot(const TRoot& root) {
  if (root.localName == "rss") return true;
  if (root.localName == "RDF") return root.ns == kRdfNamespace;
  return (root.localName == "feed" || root.localName == "entry") && root.ns == kAtomNamespace;
}

TRoot RootOf(const xmlNode* root) {
  TRoot out;
  out.localName = std::string(NameOf(root));
  out.name = out.localName;
  if (root->ns != nullptr) {
    out.ns = Text(root->ns->href);
    if (root->ns->prefix != nullptr) out.name = Text(root->ns->prefix) + ":" + out.localName;
  }
  return out;
}

// The root element of a text that is not well-formed, as the parser's recovery mode finds it; none
// when the text holds no element at all.
std::optional<TRoot> RecoveredRootOf(const std::string& stream) {
  const TXmlDocPtr document(xmlReadMemory(stream.data(), static_cast<int>(stream.size()), nullptr, nullptr,
                                          XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR |
                                              XML_PARSE_NOWARNING));
  const xmlNode* root = document ? xmlDocGetRootElement(document.get()) : nullptr;
  if (root == nullptr) return std::nullopt;
  return RootOf(root);
}

std::string NeitherRssNorAtom(const TRoot& root) {
  if (root.name.size() > kMaxNameInLog) return "ni RSS ni Atom";
  return "ni RSS ni Atom (élément racine <" + root.name + ">)";
}

}  // namespace

std::string NotAFeedReason(const std::vector<std::string>& lines, const TFeedDocument* feed) {
  if (feed != nullptr) {
    const xmlNode* root = xmlDocGetRootElement(feed->document.get());
    if (root == nullptr) return "ce n'est pas du XML";
    const TRoot found = RootOf(root);
    return IsFeedRoot(found) ? "" : NeitherRssNorAtom(found);
  }
  std::string stream;
  for (const std::string& line : lines) stream.append(line).append("\r\n");
  if (base::TrimSpaces(stream).empty()) return "document vide";
  if (stream.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return "document trop grand";
  const std::optional<TRoot> first = RecoveredRootOf(stream);
  if (!first) return "ce n'est pas du XML";
  return IsFeedRoot(*first) ? "" : NeitherRssNorAtom(*first);
}

}  // namespace varnelo::search
