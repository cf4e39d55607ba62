#include "search/feed_document.h"

#include <libxml/entities.h>

#include <algorithm>
#include <array>

#include "base/text.h"

namespace varnelo::search {
namespace {

// Entities within entities deeper than this give no text (the parser's own limit is lower).
constexpr int kMaxEntityDepth = 64;

constexpr std::array<std::string_view, 24> kInlineElements = {
    "a", "abbr", "b", "bdi", "bdo", "cite", "code", "data", "dfn", "em", "font", "i",
    "kbd", "mark", "q", "s", "samp", "small", "span", "strong", "sub", "sup", "time", "u"};

bool IsInline(const xmlNode* node) {
  const std::string name = base::AsciiLowered(NameOf(node));
  return std::find(kInlineElements.begin(), kInlineElements.end(), name) != kInlineElements.end();
}

bool IsHidden(const xmlNode* node) {
  const std::string name = base::AsciiLowered(NameOf(node));
  return name == "script" || name == "style";
}

void Append(const xmlNode* first, std::string& out, TEntityBudget& budget, bool spaceBetweenBlocks,
            int entityDepth) {
  for (const xmlNode* node = first; node != nullptr; node = node->next) {
    switch (node->type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE: {
        if (node->content == nullptr) break;
        const std::string_view text(reinterpret_cast<const char*>(node->content));
        if (entityDepth == 0 || budget.Take(text.size())) out.append(text);
        break;
      }
      case XML_ELEMENT_NODE: {
        if (!spaceBetweenBlocks) {
          Append(node->children, out, budget, false, entityDepth);
          break;
        }
        if (IsHidden(node)) break;
        const bool block = !IsInline(node);
        if (block) out += ' ';
        Append(node->children, out, budget, true, entityDepth);
        if (block) out += ' ';
        break;
      }
      case XML_ENTITY_REF_NODE:
        if (const xmlEntity* entity = xmlGetDocEntity(node->doc, node->name); entity && entityDepth < kMaxEntityDepth) {
          Append(entity->children, out, budget, spaceBetweenBlocks, entityDepth + 1);
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace

void AppendText(const xmlNode* first, std::string& out, TEntityBudget& budget, bool spaceBetweenBlocks) {
  Append(first, out, budget, spaceBetweenBlocks, 0);
}

bool IsElementIn(const xmlNode* node, std::string_view ns, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && node->ns != nullptr && node->ns->href != nullptr &&
         reinterpret_cast<const char*>(node->ns->href) == ns && NameOf(node) == name;
}

}  // namespace varnelo::search
