#include "search/atom_feed.h"

#include <libxml/HTMLparser.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "search/feed_document.h"
#include "url/url.h"
#include "url/url_reference.h"

namespace varnelo::search {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kAlternate = "alternate";
constexpr std::string_view kAlternateIri = "http://www.iana.org/assignments/relation/alternate";

bool IsAtom(const xmlNode* node, std::string_view name) { return IsElementIn(node, kAtomNamespace, name); }

const xmlNode* FirstAtomChild(const xmlNode* parent, std::string_view name) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (IsAtom(child, name)) return child;
  }
  return nullptr;
}

// The value of an attribute, in namespace `ns` or in none; nullopt when it is absent.
std::optional<std::string> Attribute(const xmlNode* node, const char* name, const char* ns = nullptr) {
  xmlChar* value = ns == nullptr ? xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name))
                                 : xmlGetNsProp(node, reinterpret_cast<const xmlChar*>(name),
                                                reinterpret_cast<const xmlChar*>(ns));
  if (value == nullptr) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// One row shows one line: runs of white space become one space, none at the ends.
std::string Collapsed(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pendingSpace = false;
  for (char c : text) {
    if (IsXmlSpace(c)) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out += ' ';
    pendingSpace = false;
    out += c;
  }
  return out;
}

// The text of escaped HTML: the entities decoded, the tags dropped, the blocks kept apart.
std::string HtmlText(const std::string& html, TEntityBudget& budget) {
  if (html.empty()) return "";
  TXmlDocPtr document(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                     HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                         HTML_PARSE_NOIMPLIED | HTML_PARSE_IGNORE_ENC));
  if (!document) return "";
  std::string text;
  AppendText(document->children, text, budget, true);
  return text;
}

bool IsXmlMediaType(std::string_view type) { return type.ends_with("+xml") || type.ends_with("/xml"); }

// The plain text of an Atom text construct or "content" element.
std::string PlainText(const xmlNode* element, TEntityBudget& budget) {
  if (element == nullptr || Attribute(element, "src")) return "";
  const std::string type = base::AsciiLowered(base::TrimSpaces(Attribute(element, "type").value_or("text")));
  std::string text;
  if (type == "html" || type == "text/html") {
    AppendText(element->children, text, budget);
    text = HtmlText(text, budget);
  } else if (type == "xhtml") {
    const xmlNode* div = element->children;
    while (div != nullptr && div->type != XML_ELEMENT_NODE) div = div->next;
    // The div only wraps the markup; a writer that left it out still means its text.
    AppendText(div != nullptr ? div->children : element->children, text, budget, true);
  } else if (type == "text" || type.starts_with("text/")) {
    AppendText(element->children, text, budget);
  } else if (IsXmlMediaType(type)) {
    AppendText(element->children, text, budget, true);
  }
  return Collapsed(text);
}

// `reference` joined to `base`; a relative one loses its dot segments when the result is a web address.
std::string Resolved(std::string_view base, std::string_view reference) {
  if (base.empty() || retrieval::IsAbsoluteReference(reference)) return std::string(reference);
  std::string joined = retrieval::ResolveReference(base, reference);
  retrieval::url record;
  if (retrieval::ParseUrl(joined, record) != retrieval::TUrlParseResult::NoError) return joined;
  return retrieval::ComposeUrl(record, retrieval::TUrlLevel::Full);
}

// The base URL in force at `node`: the document's address, then every "xml:base" from the root down.
std::string BaseOf(const xmlNode* node, std::string_view documentUrl) {
  std::vector<std::string> bases;
  for (const xmlNode* at = node; at != nullptr && at->type == XML_ELEMENT_NODE; at = at->parent) {
    if (std::optional<std::string> base = Attribute(at, "base", kXmlNamespace.data())) {
      bases.push_back(std::string(base::TrimSpaces(*base)));
    }
  }
  std::string base(documentUrl);
  for (auto it = bases.rbegin(); it != bases.rend(); ++it) base = Resolved(base, *it);
  return base;
}

std::string EntryLink(const xmlNode* entry, std::string_view documentUrl) {
  for (const xmlNode* child = entry->children; child != nullptr; child = child->next) {
    if (!IsAtom(child, "link")) continue;
    const std::optional<std::string> rel = Attribute(child, "rel");
    if (rel && *rel != kAlternate && *rel != kAlternateIri) continue;
    const std::optional<std::string> href = Attribute(child, "href");
    if (!href) continue;
    return Resolved(BaseOf(child, documentUrl), base::TrimSpaces(*href));
  }
  return "";
}

TFeedItem EntryItem(const xmlNode* entry, std::string_view documentUrl, TEntityBudget& budget) {
  const xmlNode* summary = FirstAtomChild(entry, "summary");
  TFeedItem item;
  item.Title = PlainText(FirstAtomChild(entry, "title"), budget);
  item.Link = EntryLink(entry, documentUrl);
  item.Description = PlainText(summary != nullptr ? summary : FirstAtomChild(entry, "content"), budget);
  return item;
}

}  // namespace

bool IsAtomDocument(const TFeedDocument& feed) {
  const xmlNode* root = xmlDocGetRootElement(feed.document.get());
  return root != nullptr && (IsAtom(root, "feed") || IsAtom(root, "entry"));
}

std::vector<TFeedItem> AtomEntries(const TFeedDocument& feed, std::string_view documentUrl) {
  const xmlNode* root = xmlDocGetRootElement(feed.document.get());
  if (root == nullptr) return {};
  TEntityBudget budget(feed.size);
  if (IsAtom(root, "entry")) return {EntryItem(root, documentUrl, budget)};
  std::vector<TFeedItem> items;
  for (const xmlNode* child = root->children; child != nullptr; child = child->next) {
    if (IsAtom(child, "entry")) items.push_back(EntryItem(child, documentUrl, budget));
  }
  return items;
}

}  // namespace varnelo::search
