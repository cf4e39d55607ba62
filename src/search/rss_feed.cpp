#include "search/rss_feed.h"

#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <limits>
#include <mutex>
#include <string_view>

#include "base/text.h"

namespace varnelo::search {

namespace {

struct TXmlDocFree {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};

}  // namespace

struct TFeedDocument {
  std::unique_ptr<xmlDoc, TXmlDocFree> document;
  size_t size = 0;  // the bytes of the feed as it came
};

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

std::string_view NameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

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

// How many bytes of entity text the items of one feed may hold: their own text is bounded by the feed,
// but a few references to an entity that refers to others again would give gigabytes.
class TEntityBudget {
public:
  explicit TEntityBudget(size_t bytes) : left_(bytes) {}
  // Whether `size` more bytes fit; once one text did not fit, nothing does.
  bool Take(size_t size) {
    if (size > left_) {
      left_ = 0;
      return false;
    }
    left_ -= size;
    return true;
  }

private:
  size_t left_;
};

// Entities within entities deeper than this give no text (the parser's own limit is lower).
constexpr int kMaxEntityDepth = 64;

// Appends the text under the nodes from `first` on, as xmlNodeGetContent gathers it, except that the text
// an entity stands for is taken only while `budget` lasts. `entityDepth` counts the entities around.
void AppendText(const xmlNode* first, std::string& out, TEntityBudget& budget, int entityDepth) {
  for (const xmlNode* node = first; node != nullptr; node = node->next) {
    switch (node->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE: {
        if (node->content == nullptr) break;
        const std::string_view text(reinterpret_cast<const char*>(node->content));
        if (entityDepth == 0 || budget.Take(text.size())) out.append(text);
        break;
      }
      case XML_ELEMENT_NODE:
        AppendText(node->children, out, budget, entityDepth);
        break;
      case XML_ENTITY_REF_NODE:
        if (const xmlEntity* entity = xmlGetDocEntity(node->doc, node->name); entity && entityDepth < kMaxEntityDepth) {
          AppendText(entity->children, out, budget, entityDepth + 1);
        }
        break;
      default:
        break;
    }
  }
}

std::string ChildText(const xmlNode* item, std::string_view name, TEntityBudget& budget) {
  const xmlNode* child = FirstChildNamed(item, name);
  if (child == nullptr) return "";
  std::string text;
  AppendText(child->children, text, budget, 0);
  return text;
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

std::optional<std::vector<TFeedItem>> FeedItems(const TFeedDocument& feed) {
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

std::vector<std::string> FeedText(const TFeedDocument& feed) {
  xmlChar* dumped = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(feed.document.get(), &dumped, &size, "UTF-8");
  const TXmlText owned(dumped);
  if (!owned) return {};
  return base::SplitLines(std::string_view(reinterpret_cast<const char*>(owned.get()), size_t(size)));
}

}  // namespace varnelo::search
