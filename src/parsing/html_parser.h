#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "parsing/tag_node.h"

namespace varnelo::parsing {

class THTMLParser;

// An element is complete: it is empty or self-closed, or an end tag closed it (its own or an
// enclosing element's). Elements that a later start tag closes implicitly, and those still open at
// the end, are not reported.
using THTMLTagNotifyEvent = std::function<void(THTMLParser& sender, TTagNode& node)>;
// A syntax problem, with its message and the row and column where it was seen.
using TSyntaxNotifyEvent = std::function<void(THTMLParser& sender, const std::string& text)>;

// The tolerant HTML parser: any text gives a tree. Character references stay as written, script
// and style contents are markup like any other, names keep their case and match without regard to
// it. The input's line breaks are CR LF.
class THTMLParser {
public:
  // A set of node kinds (NodeType values) for FindNodes.
  class TNodeKinds {
  public:
    constexpr TNodeKinds(std::initializer_list<int> kinds) {
      for (int kind : kinds) {
        if (kind >= 0 && kind < 32) bits_ |= 1u << kind;
      }
    }
    constexpr bool Contains(int kind) const { return kind >= 0 && kind < 32 && (bits_ >> kind & 1u) != 0; }

  private:
    uint32_t bits_ = 0;
  };

  THTMLParser();
  THTMLParser(const THTMLParser&) = delete;
  THTMLParser& operator=(const THTMLParser&) = delete;

  // Replaces the tree under the root with that of `text`. Does nothing while a parse of this parser
  // runs (a handler that parses again). Handlers must not free or move nodes of the tree being built.
  void Parse(std::string_view text);

  TTagNode& Root() { return *root_; }
  const TTagNode& Root() const { return *root_; }
  bool Busy() const { return busy_; }

  // The markup of the node's children, rebuilt from the tree. Nothing is escaped.
  static std::string GetHTML(const TTagNode& node);
  // Appends the same markup to `out`.
  static void AppendHTML(const TTagNode& node, std::string& out);

  // Fills `list` with every descendant of `node` (not the node), each before its children, whose Name
  // equals `name` without regard to case; an empty name or "*" takes every node.
  static void FindTags(TTagNode& node, std::string_view name, TTagNodeList& list);
  // As FindTags, keeping only the nodes whose NodeType is in `kinds`.
  static void FindNodes(TTagNode& node, std::string_view name, TTagNodeList& list, TNodeKinds kinds);

  THTMLTagNotifyEvent OnHTMLTag;
  TSyntaxNotifyEvent OnSyntaxWarning;

private:
  std::unique_ptr<TTagNode> root_;
  bool busy_ = false;
};

}  // namespace varnelo::parsing
