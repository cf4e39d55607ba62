#include "parsing/tag_node.h"

#include <algorithm>

namespace varnelo::parsing {

// A page can nest elements millions deep ("<b><b><b>..."), so no tree operation recurses: here a
// child's children join the list of those still to free before the child goes, last first.
void TTagNode::FreeChildren() {
  while (!Children.empty()) {
    std::unique_ptr<TTagNode> last = std::move(Children.back());
    Children.pop_back();
    if (!last->Children.empty()) {
      for (auto& child : last->Children) Children.push_back(std::move(child));
      last->Children.clear();
    }
  }
}

void TTagNode::Clear() {
  FreeChildren();
  Attributes.clear();
  Text.clear();
  NodeType = kRootNode;
  Data = 0;
  Parent = nullptr;
}

bool TTagNode::IsAncestorOrSelf(const TTagNode* node) const {
  for (const TTagNode* walk = node; walk != nullptr; walk = walk->Parent) {
    if (walk == this) return true;
  }
  return false;
}

std::unique_ptr<TTagNode> TTagNode::SetParent(TTagNode* parent) {
  if (parent == Parent || parent == this || Parent == nullptr) return nullptr;
  // Moving a node under its own descendant would cut the subtree off and make it own itself.
  if (IsAncestorOrSelf(parent)) return nullptr;
  auto& siblings = Parent->Children;
  const auto found = std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
  if (found == siblings.end()) return nullptr;
  std::unique_ptr<TTagNode> self = std::move(*found);
  siblings.erase(found);
  Parent = nullptr;
  if (parent == nullptr) return self;
  parent->AppendNew(std::move(self));
  return nullptr;
}

TTagNode* TTagNode::GetChild(size_t index) const {
  return index < Children.size() ? Children[index].get() : nullptr;
}

TTagNode* TTagNode::AddChild(std::unique_ptr<TTagNode>&& node) {
  if (!node || node->IsAncestorOrSelf(this)) return nullptr;
  if (node->Parent != nullptr) return nullptr;  // held twice: not ours to take
  return AppendNew(std::move(node));
}

TTagNode* TTagNode::InsertChild(size_t index, std::unique_ptr<TTagNode>&& node) {
  TTagNode* added = AddChild(std::move(node));
  if (added != nullptr && index + 1 < Children.size()) {
    std::rotate(Children.begin() + static_cast<std::ptrdiff_t>(index), Children.end() - 1, Children.end());
  }
  return added;
}

TTagNode* TTagNode::AddChildText(std::string text, int data) {
  auto node = std::make_unique<TTagNode>();
  node->Text = std::move(text);
  node->Data = data;
  return AppendNew(std::move(node));
}

std::unique_ptr<TTagNode> TTagNode::RemoveChild(TTagNode* node) {
  return node != nullptr ? node->SetParent(nullptr) : nullptr;
}

}  // namespace varnelo::parsing
