#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace varnelo::search {

struct TXmlDocFree {
  void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using TXmlDocPtr = std::unique_ptr<xmlDoc, TXmlDocFree>;

// The libxml2 document behind the feed readers; only they see it.
struct TFeedDocument {
  TXmlDocPtr document;
  size_t size = 0;  // the bytes of the feed as it came
};

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

// Appends the text under the nodes from `first` on, as xmlNodeGetContent gathers it, except that the text
// an entity stands for is taken only while `budget` lasts. With `spaceBetweenBlocks`, a space stands
// where an element other than a run of inline markup (a, b, em, span...) begins or ends, so that
// paragraphs do not run together; the contents of script and style elements are left out then too.
void AppendText(const xmlNode* first, std::string& out, TEntityBudget& budget, bool spaceBetweenBlocks = false);

inline constexpr std::string_view kAtomNamespace = "http://www.w3.org/2005/Atom";

inline std::string_view NameOf(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

// Whether `node` is an element of namespace `ns` with the local name `name`.
bool IsElementIn(const xmlNode* node, std::string_view ns, std::string_view name);

}  // namespace varnelo::search
