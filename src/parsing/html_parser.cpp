#include "parsing/html_parser.h"

#include <array>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "base/text.h"
#include "parsing/tag_tokenizer.h"

namespace varnelo::parsing {
namespace {

// Scanner states. There is no state 2.
enum TState : uint8_t {
  kText = 0,
  kStartTag = 1,
  kEndTag = 3,
  kComment = 4,      // after "<!--"
  kDeclaration = 5,  // after "<!" or "<?"
  kDashComment = 6,  // a "--" comment inside a declaration
  kBrackets = 7,     // square brackets inside a declaration
  kStateCount = 8,
};

// Membership of a lower-case tag name in the three tag-name sets.
enum : uint8_t {
  kEmptyTag = 1,        // never has content nor an end tag
  kOptionalEnd = 2,     // its end tag may be left out
  kEndsParagraph = 4,   // closes an open paragraph
};

struct TTagFlags {
  std::string_view name;
  uint8_t flags;
};

// Sorted by length, so that a lookup only compares names of the right length.
constexpr TTagFlags kTagFlags[] = {
    {"p", kOptionalEnd | kEndsParagraph},
    {"br", kEmptyTag},
    {"hr", kEmptyTag | kEndsParagraph},
    {"dt", kOptionalEnd},
    {"dd", kOptionalEnd},
    {"li", kOptionalEnd},
    {"tr", kOptionalEnd},
    {"th", kOptionalEnd},
    {"td", kOptionalEnd},
    {"h1", kEndsParagraph},
    {"h2", kEndsParagraph},
    {"h3", kEndsParagraph},
    {"h4", kEndsParagraph},
    {"h5", kEndsParagraph},
    {"h6", kEndsParagraph},
    {"ul", kEndsParagraph},
    {"ol", kEndsParagraph},
    {"dl", kEndsParagraph},
    {"img", kEmptyTag},
    {"col", kEmptyTag},
    {"dir", kEndsParagraph},
    {"pre", kEndsParagraph},
    {"div", kEndsParagraph},
    {"area", kEmptyTag},
    {"link", kEmptyTag},
    {"base", kEmptyTag},
    {"meta", kEmptyTag},
    {"body", kOptionalEnd},
    {"html", kOptionalEnd},
    {"head", kOptionalEnd},
    {"menu", kEndsParagraph},
    {"form", kEndsParagraph},
    {"param", kEmptyTag},
    {"input", kEmptyTag},
    {"frame", kEmptyTag},
    {"thead", kOptionalEnd},
    {"tfoot", kOptionalEnd},
    {"table", kEndsParagraph},
    {"option", kOptionalEnd},
    {"center", kEndsParagraph},
    {"isindex", kEmptyTag | kEndsParagraph},
    {"address", kEndsParagraph},
    {"basefont", kEmptyTag},
    {"colgroup", kOptionalEnd},
    {"noscript", kEndsParagraph},
    {"noframes", kEndsParagraph},
    {"fieldset", kEndsParagraph},
    {"blockquote", kEndsParagraph},
};
constexpr size_t kLongestTagName = 10;

// kFirstOfLength[n] is the index of the first name of length n in kTagFlags.
constexpr std::array<size_t, kLongestTagName + 2> kFirstOfLength = [] {
  std::array<size_t, kLongestTagName + 2> first{};
  size_t index = 0;
  for (size_t length = 0; length <= kLongestTagName + 1; ++length) {
    while (index < std::size(kTagFlags) && kTagFlags[index].name.size() < length) ++index;
    first[length] = index;
  }
  return first;
}();

static_assert([] {
  for (size_t i = 1; i < std::size(kTagFlags); ++i) {
    if (kTagFlags[i].name.size() < kTagFlags[i - 1].name.size()) return false;
  }
  return kTagFlags[std::size(kTagFlags) - 1].name.size() == kLongestTagName;
}());

// Names are short: a plain loop beats a call to memcmp.
bool SameBytes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

uint8_t TagFlags(std::string_view lowerName) {
  const size_t length = lowerName.size();
  if (length == 0 || length > kLongestTagName) return 0;
  for (size_t i = kFirstOfLength[length]; i < kFirstOfLength[length + 1]; ++i) {
    if (SameBytes(kTagFlags[i].name, lowerName)) return kTagFlags[i].flags;
  }
  return 0;
}

constexpr std::array<char, 256> kLower = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c) table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  return table;
}();

void LowerInto(std::string_view text, std::string& out) {
  out.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) out[i] = kLower[static_cast<unsigned char>(text[i])];
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (kLower[static_cast<unsigned char>(a[i])] != kLower[static_cast<unsigned char>(b[i])]) return false;
  }
  return true;
}

// Blanks and control characters.
// kSpecial[state][c]: in one of the declaration states, the byte may change the state or end the
// declaration; every other byte is simply counted, which lets the scanner skip runs of them.
constexpr std::array<std::array<bool, 256>, kStateCount> kSpecial = [] {
  std::array<std::array<bool, 256>, kStateCount> table{};
  const auto mark = [&table](int state, std::string_view bytes) {
    for (char c : bytes) table[state][static_cast<unsigned char>(c)] = true;
  };
  mark(kDeclaration, "<-[>");
  mark(kDashComment, "->");
  mark(kBrackets, "]");
  return table;
}();

// The first '<' or '>' from `i` on, or `size`. Text is most of a page, so it is searched a word at a
// time: '<' and '>' are the bytes that equal '>' once bit 1 is set.
size_t FindAngle(const char* text, size_t i, size_t size) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighs = 0x8080808080808080u;
    for (; i + 8 <= size; i += 8) {
      uint64_t word;
      std::memcpy(&word, text + i, 8);
      const uint64_t x = (word | (kOnes * 2)) ^ (kOnes * '>');
      // The lowest byte of x that is zero sets the lowest flag; higher flags may be false.
      const uint64_t zero = (x - kOnes) & ~x & kHighs;
      if (zero != 0) return i + static_cast<size_t>(std::countr_zero(zero) / 8);
    }
  }
  while (i < size && (text[i] | 2) != '>') ++i;
  return i;
}

// The next byte from `i` on that may do more in `state` than be counted, or `size`. In a start tag
// these are "<" and ">" alone: "!", "?" and "/" only matter right after a "<" or right
// before a ">", and are looked at from there.
size_t NextSpecial(uint8_t state, const char* text, size_t i, size_t size) {
  switch (state) {
    case kText:
    case kStartTag:
    case kEndTag:
      return FindAngle(text, i, size);
    case kComment: {
      const void* end = std::memchr(text + i, '>', size - i);
      return end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : size;
    }
    default: {
      const auto& special = kSpecial[state];
      while (i < size && !special[static_cast<unsigned char>(text[i])]) ++i;
      return i;
    }
  }
}

// Whether the end of a start tag's text stands inside a quoted attribute value, read as the tag
// tokenizer reads quotes.
bool EndsInsideQuotes(std::string_view tagText) {
  bool inDouble = false;
  bool inSingle = false;
  for (const char c : tagText) {
    if (c == '"' && !inSingle) inDouble = !inDouble;
    if (c == '\'' && !inDouble) inSingle = !inSingle;
  }
  return inDouble || inSingle;
}

// The open elements, innermost last.
class TStack {
public:
  struct TEntry {
    std::string name;  // lower case
    uint8_t flags;
    TTagNode* node;
  };

  bool Empty() const { return entries_.empty(); }
  const TEntry& Top() const { return entries_.back(); }
  TTagNode* TopNode() const { return entries_.empty() ? nullptr : entries_.back().node; }
  void Push(std::string_view name, uint8_t flags, TTagNode* node) { entries_.push_back({std::string(name), flags, node}); }
  void Pop() { entries_.pop_back(); }
  size_t Size() const { return entries_.size(); }
  // Index of the innermost entry named `lowerName`, or Size() when there is none.
  size_t Find(std::string_view lowerName) const {
    for (size_t i = entries_.size(); i > 0; --i) {
      if (SameBytes(entries_[i - 1].name, lowerName)) return i - 1;
    }
    return entries_.size();
  }

private:
  std::vector<TEntry> entries_;
};

// One run of Parse over one text.
class TScan {
public:
  TScan(THTMLParser& parser, TTagNode& root, std::string_view text) : parser_(parser), root_(root), text_(text) {}

  void Run();

private:
  TTagNode& CurrentParent() const {
    TTagNode* top = stack_.TopNode();
    return top != nullptr ? *top : root_;
  }
  TTagNode* Attach(std::unique_ptr<TTagNode> node) { return CurrentParent().AppendNew(std::move(node)); }

  void AddText(std::string_view segment);
  void StartTag(std::string_view segment, bool slashBeforeEnd);
  void EndTag(std::string_view segment, size_t position);
  void Comment(std::string_view segment);
  void Declaration(std::string_view segment);

  void Warn(std::string_view message, size_t position);
  void ReportTag(TTagNode& node) {
    if (parser_.OnHTMLTag) parser_.OnHTMLTag(parser_, node);
  }

  THTMLParser& parser_;
  TTagNode& root_;
  std::string_view text_;
  TStack stack_;
  std::string lower_;    // the lower-case name of the tag at hand
  std::string scratch_;  // for the tag tokenizer
  std::vector<std::string_view> words_;  // of the tag at hand
  // Rows and columns are only needed for warnings, so they are worked out from the last warning's
  // position on demand instead of for every byte.
  size_t rowColumnAt_ = 0;
  uint64_t row_ = 1;
  uint64_t column_ = 1;
};

void TScan::Run() {
  const char* const text = text_.data();
  const size_t size = text_.size();
  uint8_t state = kText;
  size_t segmentStart = 0;
  size_t uncounted = 0;  // bytes since the segment start that were not counted
  // The pending text: as many bytes from the segment start as have been counted. A byte that is not
  // counted thus shortens it at its end, not where that byte stands.
  const auto segment = [&](size_t i) { return std::string_view(text + segmentStart, i - segmentStart - uncounted); };
  const auto restart = [&](size_t i) {
    segmentStart = i + 1;
    uncounted = 0;
  };
  const auto next = [&](size_t i) { return i + 1 < size ? text[i + 1] : '\0'; };

  for (size_t i = 0; i < size; ++i) {
    i = NextSpecial(state, text, i, size);
    if (i == size) break;
    const char c = text[i];
    const char previous = i > 0 ? text[i - 1] : '\0';
    switch (c) {
      case '<':
        // A "<" inside a quoted value (title="<-") is part of the value; dropping a byte for it would
        // cut the end off the tag's last attribute.
        if (state == kStartTag && EndsInsideQuotes(std::string_view(text + segmentStart, i - segmentStart))) break;
        if (state == kStartTag) {
          Warn("Unexpected \"<\" encountered", i);
          ++uncounted;
        } else {  // text, end tag or declaration
          if (i - segmentStart - uncounted > 0) AddText(segment(i));
          restart(i);
          state = kStartTag;
        }
        // "!", "?" and "/" only mean something in a start tag right after a "<".
        switch (next(i)) {
          case '!':
            ++i;
            state = next(i) == '-' && i + 2 < size && text[i + 2] == '-' ? kComment : kDeclaration;
            restart(i);
            break;
          case '?':
            ++i;
            state = kDeclaration;
            restart(i);
            break;
          case '/':
            ++i;
            state = kEndTag;
            restart(i);
            break;
          default:
            break;
        }
        break;
      case '-':
        if (state == kDeclaration) {
          if ((previous == '\t' || previous == '\n' || previous == '\r' || previous == ' ') && next(i) == '-') {
            state = kDashComment;
          }
        } else if (next(i) == '-') {  // "--" comment
          state = kDeclaration;
        }
        break;
      case '[':  // declaration
        state = kBrackets;
        break;
      case ']':  // brackets
        if (next(i) == '>') state = kDeclaration;
        break;
      case '>':
        switch (state) {
          case kStartTag:
            // A "/" right before the ">" is not counted.
            if (previous == '/') ++uncounted;
            StartTag(segment(i), previous == '/');
            state = kText;
            restart(i);
            break;
          case kEndTag:
            EndTag(segment(i), i);
            state = kText;
            restart(i);
            break;
          case kComment: {
            const std::string_view pending = base::TrimSpacesRight(segment(i));
            if (pending.size() >= 2 && pending.substr(pending.size() - 2) == "--") {
              Comment(segment(i));
              state = kText;
              restart(i);
            }
            break;
          }
          case kDeclaration:
            Declaration(segment(i));
            state = kText;
            restart(i);
            break;
          default:  // text, "--" comment
            Warn("Unexpected \">\" encountered", i);
            ++uncounted;
            break;
        }
        break;
      default:
        break;
    }
  }
  // Text after the last tag is dropped: a text node only ends at a "<".
}

void TScan::AddText(std::string_view segment) {
  Attach(std::make_unique<TTagNode>(kTextNode, "PCDATA", segment));
}

void TScan::StartTag(std::string_view segment, bool slashBeforeEnd) {
  words_.clear();
  ForEachTagWord(segment, scratch_, [this](std::string_view word) { words_.push_back(word); });
  auto node = std::make_unique<TTagNode>(kElementNode, words_.empty() ? std::string_view() : words_.front());
  if (words_.size() > 1) node->Attributes.assign(words_.begin() + 1, words_.end());
  LowerInto(node->Name, lower_);
  const uint8_t flags = TagFlags(lower_);

  if (!stack_.Empty()) {
    const TStack::TEntry& top = stack_.Top();
    if ((top.flags & kOptionalEnd) != 0 && SameBytes(top.name, lower_)) {
      stack_.Pop();
    } else if ((flags & kEndsParagraph) != 0 && SameBytes(top.name, "p")) {
      stack_.Pop();
    }
  }
  TTagNode* element = Attach(std::move(node));
  if ((flags & kEmptyTag) != 0 || slashBeforeEnd) {
    element->Closed = true;
    ReportTag(*element);
  } else {
    stack_.Push(lower_, flags, element);
  }
}

void TScan::EndTag(std::string_view segment, size_t position) {
  LowerInto(segment, lower_);  // not trimmed: "</p >" closes nothing
  const size_t match = stack_.Find(lower_);
  if (match == stack_.Size()) {
    std::string message = "End tag found without matching start tag: ";
    message += lower_;
    Warn(message, position);
    return;
  }
  while (stack_.Size() > match) {
    ReportTag(*stack_.Top().node);
    stack_.Pop();
  }
}

void TScan::Comment(std::string_view segment) {
  std::string_view text = base::TrimSpaces(segment);
  std::string_view name;
  if (text.substr(0, 2) == "--") {
    name = "!";
    text.remove_prefix(2);
    if (text.size() >= 2 && text.substr(text.size() - 2) == "--") text.remove_suffix(2);
    text = base::TrimSpaces(text);
  }
  Attach(std::make_unique<TTagNode>(kCommentNode, name, text));
}

void TScan::Declaration(std::string_view segment) {
  const std::string_view text = base::TrimSpaces(segment);
  if (text.empty()) {
    Attach(std::make_unique<TTagNode>(kRootNode, std::string_view()));
    return;
  }
  if (text.substr(0, 6) == "[CDATA") {
    // "[CDATA" and the closing "]]" go, then the "[" that opened the content.
    std::string_view content = text.size() > 8 ? base::TrimSpaces(text.substr(6, text.size() - 8)) : std::string_view();
    if (!content.empty()) content.remove_prefix(1);
    Attach(std::make_unique<TTagNode>(kCDataNode, "CDATA", content));
    return;
  }
  const size_t blank = text.find(' ');
  auto node = std::make_unique<TTagNode>(kDeclarationNode, "!",
                                         blank != std::string_view::npos ? text.substr(blank + 1) : std::string_view());
  node->Name.append(text.substr(0, blank));
  Attach(std::move(node));
}

void TScan::Warn(std::string_view message, size_t position) {
  if (!parser_.OnSyntaxWarning) return;
  // After each byte the row goes up at a LF or past column 256, otherwise the column does.
  for (; rowColumnAt_ < position; ++rowColumnAt_) {
    if (text_[rowColumnAt_] == '\n' || column_ > 256) {
      ++row_;
      column_ = 1;
    } else {
      ++column_;
    }
  }
  std::string text(message);
  text += " [Row:";
  text += std::to_string(row_);
  text += ",Col:";
  text += std::to_string(column_);
  text += ']';
  parser_.OnSyntaxWarning(parser_, text);
}

// Writes into a buffer sized beforehand.
class TWriter {
public:
  explicit TWriter(char* at) : at_(at) {}
  void Put(char c) { *at_++ = c; }
  void Put(std::string_view text) {
    if (text.empty()) return;  // an empty view may have no data to copy from
    std::memcpy(at_, text.data(), text.size());
    at_ += text.size();
  }
  char* At() const { return at_; }

private:
  char* at_;
};

// The most bytes the start of `node` and its end tag can take.
size_t WrittenSizeBound(const TTagNode& node) {
  size_t size = 2 * node.Name.size() + node.Text.size() + 12;
  for (const std::string& item : node.Attributes) size += item.size() + 3;
  return size;
}

// Writes the start of `node`: everything before its children.
void WriteOpening(const TTagNode& node, TWriter& out) {
  switch (node.NodeType) {
    case kElementNode:
      out.Put('<');
      out.Put(node.Name);
      for (const std::string& item : node.Attributes) {
        out.Put(' ');
        const size_t equals = item.find('=');
        if (equals == std::string::npos) {
          out.Put(item);
          continue;
        }
        const std::string_view value = std::string_view(item).substr(equals + 1);
        const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
        out.Put(std::string_view(item).substr(0, equals + 1));
        out.Put(quote);
        out.Put(value);
        out.Put(quote);
      }
      out.Put('>');
      break;
    case kCommentNode:
      out.Put("<!-- ");
      out.Put(node.Text);
      out.Put("-->");
      break;
    case kDeclarationNode:
      out.Put('<');
      out.Put(node.Name);
      out.Put(' ');
      out.Put(node.Text);
      out.Put('>');
      break;
    case kCDataNode:
      out.Put("<![CDATA[");
      out.Put(node.Text);
      out.Put("]]>");
      break;
    default:
      out.Put(node.Text);
      break;
  }
}

bool HasEndTag(const TTagNode& node) { return node.NodeType == kElementNode && !node.Closed; }

// Calls `visit` for every descendant of `node`, each before its children, without recursing.
template <class TNode, class TVisit>
void ForEachDescendant(TNode& node, TVisit&& visit) {
  std::vector<std::pair<TNode*, size_t>> open;
  open.emplace_back(&node, 0);
  while (!open.empty()) {
    auto& [parent, nextChild] = open.back();
    if (nextChild == parent->Children.size()) {
      open.pop_back();
      continue;
    }
    TNode& child = *parent->Children[nextChild++];
    visit(child);
    if (!child.Children.empty()) open.emplace_back(&child, 0);
  }
}

template <class TKeep>
void FindMatching(TTagNode& node, std::string_view name, TTagNodeList& list, TKeep&& keep) {
  list.Clear();
  const bool anyName = name.empty() || name == "*";
  ForEachDescendant(node, [&](TTagNode& child) {
    if (keep(child) && (anyName || SameNameIgnoringCase(child.Name, name))) list.Add(&child);
  });
}

}  // namespace

THTMLParser::THTMLParser() : root_(std::make_unique<TTagNode>()) {}

void THTMLParser::Parse(std::string_view text) {
  if (busy_) return;
  busy_ = true;
  struct TBusyReset {
    bool& busy;
    ~TBusyReset() { busy = false; }
  } busyReset{busy_};
  root_->Clear();
  TScan(*this, *root_, text).Run();
}

std::string THTMLParser::GetHTML(const TTagNode& node) {
  std::string out;
  AppendHTML(node, out);
  return out;
}

void THTMLParser::AppendHTML(const TTagNode& node, std::string& out) {
  // One walk to size the text, so that the second writes it straight into one buffer.
  size_t bound = 0;
  ForEachDescendant(node, [&bound](const TTagNode& child) { bound += WrittenSizeBound(child); });
  const size_t start = out.size();
  out.resize(start + bound);
  TWriter writer(out.data() + start);

  std::vector<std::pair<const TTagNode*, size_t>> open;
  open.emplace_back(&node, 0);
  while (!open.empty()) {
    auto& [parent, nextChild] = open.back();
    if (nextChild == parent->Children.size()) {
      if (open.size() > 1 && HasEndTag(*parent)) {
        writer.Put("</");
        writer.Put(parent->Name);
        writer.Put('>');
      }
      open.pop_back();
      continue;
    }
    const TTagNode& child = *parent->Children[nextChild++];
    WriteOpening(child, writer);
    open.emplace_back(&child, 0);
  }
  out.resize(static_cast<size_t>(writer.At() - out.data()));
}

void THTMLParser::FindTags(TTagNode& node, std::string_view name, TTagNodeList& list) {
  FindMatching(node, name, list, [](const TTagNode&) { return true; });
}

void THTMLParser::FindNodes(TTagNode& node, std::string_view name, TTagNodeList& list, TNodeKinds kinds) {
  FindMatching(node, name, list, [kinds](const TTagNode& child) { return kinds.Contains(child.NodeType); });
}

}  // namespace varnelo::parsing
