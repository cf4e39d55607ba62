#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::parsing {

// NodeType values.
inline constexpr int kRootNode = 0;  // also an empty declaration "<!>" and a plain node of AddChildText
inline constexpr int kElementNode = 1;
inline constexpr int kTextNode = 2;
inline constexpr int kCommentNode = 3;
inline constexpr int kDeclarationNode = 4;  // "<!DOCTYPE ...>", "<?xml ...?>" and any other "<! ...>"
inline constexpr int kCDataNode = 5;

// The tree operations of a node, declared in the order of their virtual slots. `TNode` is the
// concrete node class, so that every operation hands out nodes of that class. The constructor
// (Create) would sit between GetChild and AddChild.
//
// Ownership: a node in a tree belongs to its parent; a detached node belongs to whoever holds its
// std::unique_ptr, and joins a tree only through AddChild or InsertChild, which take it over.
template <class TNode>
class THierarchyNode {
public:
  virtual ~THierarchyNode() = default;

  virtual TNode* GetParent() const = 0;
  // Moves this node from its parent to the end of `parent`'s children, or detaches it when `parent`
  // is none and hands it back. Nothing happens (and none is returned) when `parent` is the current
  // parent, the node itself or one of its descendants, or when the node has no parent to take it from.
  virtual std::unique_ptr<TNode> SetParent(TNode* parent) = 0;
  // The child at `index`, or none when out of range.
  virtual TNode* GetChild(size_t index) const = 0;
  // Appends a detached node and returns it. Refused (none returned, `node` left to the caller) when
  // the node is this one or one of its ancestors, which would make the tree own itself.
  virtual TNode* AddChild(std::unique_ptr<TNode>&& node) = 0;
  // AddChild, then moves the node to `index` among its siblings (it stays last when `index` is past
  // the end).
  virtual TNode* InsertChild(size_t index, std::unique_ptr<TNode>&& node) = 0;
  // Appends a plain node (kind 0, no name) holding `text` and `data`.
  virtual TNode* AddChildText(std::string text, int data) = 0;
  // Detaches `node` from its parent and hands it back.
  virtual std::unique_ptr<TNode> RemoveChild(TNode* node) = 0;
};

// One node of a parsed page: the root, an element, a text, a comment, a declaration or a CDATA
// section, told apart by NodeType.
class TTagNode final : public THierarchyNode<TTagNode> {
public:
  TTagNode() = default;
  TTagNode(int nodeType, std::string_view name, std::string_view text = {})
      : Name(name), Text(text), NodeType(nodeType) {}
  TTagNode(const TTagNode&) = delete;
  TTagNode& operator=(const TTagNode&) = delete;
  ~TTagNode() override {
    if (!Children.empty()) FreeChildren();
  }

  std::vector<std::unique_ptr<TTagNode>> Children;
  std::string Name;  // as written; "PCDATA", "!", "!DOCTYPE", "CDATA" or empty for the other kinds
  std::string Text;
  int Data = 0;
  std::vector<std::string> Attributes;  // "name=value" with the quotes removed, or a bare word
  int NodeType = kRootNode;
  TTagNode* Parent = nullptr;
  bool Closed = false;  // an empty element, or one written with "/" right before its ">"

  TTagNode* GetParent() const override { return Parent; }
  std::unique_ptr<TTagNode> SetParent(TTagNode* parent) override;
  TTagNode* GetChild(size_t index) const override;
  TTagNode* AddChild(std::unique_ptr<TTagNode>&& node) override;
  TTagNode* InsertChild(size_t index, std::unique_ptr<TTagNode>&& node) override;
  TTagNode* AddChildText(std::string text, int data) override;
  std::unique_ptr<TTagNode> RemoveChild(TTagNode* node) override;

  size_t ChildCount() const { return Children.size(); }

  // Frees the children, empties Attributes and Text, sets NodeType and Data to 0 and Parent to none;
  // Name stays. A parent that holds this node keeps it in its list: meant for a root.
  void Clear();

  // Appends a node without any of AddChild's checks; for the parser, whose nodes are new.
  TTagNode* AppendNew(std::unique_ptr<TTagNode> node) {
    node->Parent = this;
    // Room for three from the start: a block of that size costs malloc no more than one of one.
    if (Children.capacity() == 0) Children.reserve(3);
    Children.push_back(std::move(node));
    return Children.back().get();
  }

private:
  bool IsAncestorOrSelf(const TTagNode* node) const;
  void FreeChildren();
};

// An ordered list of nodes that does not own them.
class TTagNodeList {
public:
  void Clear() { items_.clear(); }
  void Add(TTagNode* node) { items_.push_back(node); }
  size_t Count() const { return items_.size(); }
  // None when `index` is out of range.
  TTagNode* Items(size_t index) const { return index < items_.size() ? items_[index] : nullptr; }
  // Ignored when `index` is out of range.
  void Delete(size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void Reserve(size_t count) { items_.reserve(count); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

private:
  std::vector<TTagNode*> items_;
};

}  // namespace varnelo::parsing
