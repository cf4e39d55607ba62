#include "search/rss_feed.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <limits>
#include <mutex>
#include <string_view>

#include "base/text.h"
#include "search/atom_feed.h"
#include "search/feed_document.h"

namespace varnelo::search {

namespace {

struct TXmlFree {
  void operator()(void* text) const { xmlFree(text); }
};
using TXmlText = std::unique_ptr<xmlChar, TXmlFree>;

// The parser's globals must be set up once before threads use it.
void InitParserOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

// Qualified names are compared, as a DOM's node names are: a prefixed element ("dc:title") is not a
// "title".
bool IsElementNamed(const xmlNode* node, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && (node->ns == nullptr || node->ns->prefix == nullptr) &&
         NameOf(node) == name;
}

const xmlNode* FirstChildElement(const xmlNode* parent) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) return child;
  }
  return nullptr;
}

const xmlNode* FirstChildNamed(const xmlNode* parent, std::string_view name) {
  for (const xmlNode* child = parent->children; child != nullptr; child = child->next) {
    if (IsElementNamed(child, name)) return child;
  }
  return nullptr;
}

std::string ChildText(const xmlNode* item, std::string_view name, TEntityBudget& budget) {
  const xmlNode* child = FirstChildNamed(item, name);
  if (child == nullptr) return "";
  std::string text;
  AppendText(child->children, text, budget);
  return text;
}

std::optional<std::vector<TFeedItem>> RssItems(const TFeedDocument& feed) {
  const xmlNode* root = xmlDocGetRootElement(feed.document.get());
  if (root == nullptr) return std::nullopt;
  const xmlNode* channel = FirstChildElement(root);
  if (channel == nullptr) return std::nullopt;
  TEntityBudget budget(feed.size);
  std::vector<TFeedItem> items;
  for (const xmlNode* node = FirstChildNamed(channel, "item"); node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    items.push_back(TFeedItem{ChildText(node, "title", budget), ChildText(node, "link", budget),
                              ChildText(node, "description", budget)});
  }
  return items;
}

// libxml2 writes the names of namespaces as they are, so a name that holds "<" would not read back as
// XML (a "&" is kept as "&#38;" and quotes are taken care of). Whether any element declares such a name:
bool DeclaresRawNamespaceName(const xmlNode* first) {
  for (const xmlNode* node = first; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    for (const xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
      if (ns->href != nullptr && std::string_view(reinterpret_cast<const char*>(ns->href)).find('<') !=
                                     std::string_view::npos) {
        return true;
      }
    }
    if (DeclaresRawNamespaceName(node->children)) return true;
  }
  return false;
}

// Gives every namespace name declared from `first` on its "<" escaped, for the writer to leave as it is.
void EscapeNamespaceNames(xmlNode* first) {
  for (xmlNode* node = first; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE) continue;
    for (xmlNs* ns = node->nsDef; ns != nullptr; ns = ns->next) {
      if (ns->href == nullptr) continue;
      std::string escaped;
      for (const char c : std::string_view(reinterpret_cast<const char*>(ns->href))) {
        if (c == '<') {
          escaped += "&lt;";
        } else {
          escaped += c;
        }
      }
      xmlFree(const_cast<xmlChar*>(ns->href));
      ns->href = xmlStrdup(reinterpret_cast<const xmlChar*>(escaped.c_str()));
    }
    EscapeNamespaceNames(node->children);
  }
}

}  // namespace

TFeedDocumentPtr ParseFeed(const std::vector<std::string>& lines) {
  InitParserOnce();
  std::string stream;
  for (const std::string& line : lines) stream.append(line).append("\r\n");
  if (stream.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return nullptr;
  // No network, and no complaints on stderr: a bad feed only gives no rows.
  auto feed = std::make_shared<TFeedDocument>();
  feed->size = stream.size();
  feed->document.reset(xmlReadMemory(stream.data(), static_cast<int>(stream.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!feed->document) return nullptr;
  return feed;
}

std::optional<std::vector<TFeedItem>> FeedItems(const TFeedDocument& feed, std::string_view documentUrl) {
  if (IsAtomDocument(feed)) return AtomEntries(feed, documentUrl);
  return RssItems(feed);
}

std::vector<std::string> FeedText(const TFeedDocument& feed) {
  xmlDoc* written = feed.document.get();
  TXmlDocPtr escapedCopy;
  if (DeclaresRawNamespaceName(written->children)) {
    escapedCopy.reset(xmlCopyDoc(written, 1));
    if (!escapedCopy) return {};
    EscapeNamespaceNames(escapedCopy->children);
    written = escapedCopy.get();
  }
  xmlChar* dumped = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(written, &dumped, &size, "UTF-8");
  const TXmlText owned(dumped);
  if (!owned) return {};
  return base::SplitLines(std::string_view(reinterpret_cast<const char*>(owned.get()), size_t(size)));
}

}  // namespace varnelo::search
