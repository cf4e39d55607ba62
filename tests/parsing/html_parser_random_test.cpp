// Randomized checks of the HTML parser on inputs built from the bytes and pieces that drive its
// states. Fixed seeds, so that a failure repeats.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "parsing/html_parser.h"
#include "parsing/tag_tokenizer.h"

namespace varnelo::parsing {
namespace {

constexpr uint32_t kSeed = 0x5eed7a9;
constexpr int kInputs = 4000;

size_t Below(std::mt19937& random, size_t count) {
  return std::uniform_int_distribution<size_t>(0, count - 1)(random);
}

template <class T>
const T& Pick(std::mt19937& random, const std::vector<T>& items) {
  return items[Below(random, items.size())];
}

// Markup soup: the bytes that change the scanner's state, tag names of every tag-name set, and
// pieces of comments, declarations and CDATA sections.
std::string RandomInput(std::mt19937& random) {
  static const std::vector<std::string> kPieces = {
      "<", ">", "/", "!", "-", "?", "[", "]", "\"", "'", "=", " ", "\r\n", "\n", "\r", "\t", "a", "x", "\xc3\xa9",
      std::string(1, '\0'), "<p>", "</p>", "<li>", "</li>", "<td>", "<tr>", "<ul>", "</ul>", "<div>", "</div>",
      "<br/>", "<img src=x>", "<a href='y'>", "</a>", "<B>", "</b>", "<!--", "-->", "--", "<![CDATA[", "]]>",
      "<!DOCTYPE", "<?xml", "?>", "</", "/>", "href=", "p", "li", "table", "<html>", "<head>", "<body>"};
  std::string input;
  const size_t pieces = Below(random, 120);
  for (size_t i = 0; i < pieces; ++i) input += Pick(random, kPieces);
  return input;
}

size_t CountTagBytes(const std::string& input) {
  return static_cast<size_t>(std::count_if(input.begin(), input.end(), [](char c) { return c == '<' || c == '>'; }));
}

// Checks what holds for the tree of any input; returns the number of nodes.
size_t CheckTree(THTMLParser& parser, const std::string& input) {
  TTagNodeList all;
  THTMLParser::FindTags(parser.Root(), "*", all);
  for (TTagNode* node : all) {
    EXPECT_NE(node->Parent, nullptr);
    if (node->Parent == nullptr) continue;
    const auto& siblings = node->Parent->Children;
    EXPECT_TRUE(std::any_of(siblings.begin(), siblings.end(), [node](const auto& c) { return c.get() == node; }));
    EXPECT_GE(node->NodeType, kRootNode);
    EXPECT_LE(node->NodeType, kCDataNode);
    if (node->NodeType == kTextNode) {
      EXPECT_EQ(node->Name, "PCDATA");
      EXPECT_FALSE(node->Text.empty());
    }
    // Only open elements take children; empty and self-closed ones never were open.
    if (node->NodeType != kElementNode || node->Closed) {
      EXPECT_TRUE(node->Children.empty()) << input;
    }
  }
  // Every node is made at a "<" or a ">" of the input, and at most one at each.
  EXPECT_LE(all.Count(), CountTagBytes(input)) << input;
  return all.Count();
}

std::string Dump(const TTagNode& node) {
  std::string out = std::to_string(node.NodeType) + (node.Closed ? "/" : "") + "{" + node.Name + "|" + node.Text;
  for (const std::string& item : node.Attributes) out += "|" + item;
  for (const auto& child : node.Children) out += " " + Dump(*child);
  return out + "}";
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return lower;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// The parser's rules read the plainest way, one byte at a time with a count, and the tag-name sets
// as the bar-separated lists they are given as. The parser, which skips through runs of bytes, must
// build the same tree and raise the same warnings.
class TReferenceParser {
public:
  static bool InsideQuotes(std::string_view tag) {
    char quote = 0;
    for (const char c : tag) {
      if ((c == '"' || c == '\'') && (quote == 0 || quote == c)) quote = quote == 0 ? c : 0;
    }
    return quote != 0;
  }

  void Parse(std::string_view text) {
    size_t count = 0;
    uint64_t row = 1;
    uint64_t column = 1;
    int state = 0;
    size_t start = 0;
    bool previousQuotedAngle = false;
    const auto warn = [&](std::string message) {
      warnings.push_back(message + " [Row:" + std::to_string(row) + ",Col:" + std::to_string(column) + "]");
    };
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      const char previous = i > 0 ? text[i - 1] : '\0';
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      const std::string segment(text.substr(start, count));
      bool counted = true;
      bool restart = false;
      // A "<" inside a quoted value is plain text: it opens nothing for the byte after it.
      const bool afterOpening = previous == '<' && !previousQuotedAngle;
      previousQuotedAngle = false;
      if (c == '<' && state == 1 && InsideQuotes(text.substr(start, i - start))) {
        previousQuotedAngle = true;
      } else if (c == '<' && state == 1) {
        warn("Unexpected \"<\" encountered");
        counted = false;
      } else if (c == '<' && (state == 0 || state == 3 || state == 5)) {
        if (count > 0) Attach(std::make_unique<TTagNode>(kTextNode, "PCDATA", segment));
        state = 1;
        restart = true;
      } else if (c == '!' && state == 1 && afterOpening) {
        state = next == '-' && i + 2 < text.size() && text[i + 2] == '-' ? 4 : 5;
        restart = true;
      } else if ((c == '?' || c == '/') && state == 1 && afterOpening) {
        state = c == '?' ? 5 : 3;
        restart = true;
      } else if (c == '/' && state == 1) {
        counted = next != '>';
      } else if (c == '-' && state == 5) {
        if ((previous == '\t' || previous == '\n' || previous == '\r' || previous == ' ') && next == '-') state = 6;
      } else if (c == '-' && state == 6) {
        if (next == '-') state = 5;
      } else if (c == '[' && state == 5) {
        state = 7;
      } else if (c == ']' && state == 7) {
        if (next == '>') state = 5;
      } else if (c == '>' && (state == 1 || state == 3 || state == 5)) {
        if (state == 1) StartTag(segment, previous == '/');
        if (state == 3) EndTag(segment, warn);
        if (state == 5) Declaration(segment);
        state = 0;
        restart = true;
      } else if (c == '>' && state == 4) {
        std::string_view pending = segment;
        while (!pending.empty() && static_cast<unsigned char>(pending.back()) <= ' ') pending.remove_suffix(1);
        if (pending.ends_with("--")) {
          Comment(segment);
          state = 0;
          restart = true;
        }
      } else if (c == '>' && (state == 0 || state == 6)) {
        warn("Unexpected \">\" encountered");
        counted = false;
      }
      if (restart) {
        start = i + 1;
        count = 0;
      } else if (counted) {
        ++count;
      }
      if (c == '\n' || column > 256) {
        ++row;
        column = 1;
      } else {
        ++column;
      }
    }
  }

  TTagNode root;
  std::vector<std::string> warnings;

private:
  TTagNode* Attach(std::unique_ptr<TTagNode> node) {
    return (stack_.empty() ? root : *stack_.back().second).AddChild(std::move(node));
  }

  void StartTag(const std::string& segment, bool slash) {
    const std::vector<std::string> words = TokenizeTag(segment);
    auto node = std::make_unique<TTagNode>(kElementNode, words.empty() ? "" : words[0]);
    if (words.size() > 1) node->Attributes.assign(words.begin() + 1, words.end());
    const std::string name = Lower(node->Name);
    const std::string top = stack_.empty() ? "" : stack_.back().first;
    const auto inSet = [](std::string_view set, const std::string& name) {
      return std::string(set).find("|" + name + "|") != std::string::npos;
    };
    if (top == name && inSet("|p|dt|dd|li|option|thead|tfoot|colgroup|tr|th|td|body|html|head|", top)) {
      stack_.pop_back();
    } else if (top == "p" && inSet("|p|h1|h2|h3|h4|h5|h6|ul|ol|dir|menu|pre|dl|div|center|noscript|noframes|"
                                   "blockquote|form|isindex|hr|table|fieldset|address|",
                                   name)) {
      stack_.pop_back();
    }
    TTagNode* element = Attach(std::move(node));
    if (inSet("|basefont|br|area|link|img|param|hr|input|col|frame|isindex|base|meta|", name) || slash) {
      element->Closed = true;
    } else {
      stack_.emplace_back(name, element);
    }
  }

  template <class TWarn>
  void EndTag(const std::string& segment, TWarn& warn) {
    const std::string name = Lower(segment);
    for (size_t i = stack_.size(); i > 0; --i) {
      if (stack_[i - 1].first == name) {
        stack_.resize(i - 1);
        return;
      }
    }
    warn("End tag found without matching start tag: " + name);
  }

  void Comment(const std::string& segment) {
    std::string_view text = Trim(segment);
    std::string name;
    if (text.starts_with("--")) {
      name = "!";
      text.remove_prefix(2);
      if (text.ends_with("--")) text.remove_suffix(2);
      text = Trim(text);
    }
    Attach(std::make_unique<TTagNode>(kCommentNode, name, text));
  }

  void Declaration(const std::string& segment) {
    const std::string text(Trim(segment));
    if (text.empty()) {
      Attach(std::make_unique<TTagNode>(kRootNode, ""));
    } else if (text.starts_with("[CDATA")) {
      std::string content(Trim(text.size() >= 8 ? text.substr(6, text.size() - 8) : ""));
      Attach(std::make_unique<TTagNode>(kCDataNode, "CDATA", content.empty() ? "" : content.substr(1)));
    } else {
      const size_t blank = text.find(' ');
      Attach(std::make_unique<TTagNode>(kDeclarationNode, "!" + text.substr(0, blank),
                                        blank == std::string::npos ? "" : text.substr(blank + 1)));
    }
  }

  std::vector<std::pair<std::string, TTagNode*>> stack_;
};

TEST(HtmlParserRandomTest, BuildsWhatAPlainReadingOfItsRulesBuilds) {
  std::mt19937 random(kSeed + 2);
  THTMLParser parser;
  std::vector<std::string> warnings;
  parser.OnSyntaxWarning = [&](THTMLParser&, const std::string& text) { warnings.push_back(text); };
  for (int i = 0; i < kInputs; ++i) {
    std::string input = RandomInput(random);
    // Long runs as well, so that the parser's word-at-a-time search is exercised at every alignment.
    if (i % 4 == 0) input.insert(Below(random, input.size() + 1), std::string(Below(random, 40), 'w'));
    if (i % 8 == 0) input += std::string(300, 'x') + ">";
    TReferenceParser reference;
    reference.Parse(input);
    warnings.clear();
    parser.Parse(input);
    ASSERT_EQ(Dump(parser.Root()), Dump(reference.root)) << input;
    ASSERT_EQ(warnings, reference.warnings) << input;
  }
}

TEST(HtmlParserRandomTest, ParsesAnyInputAndItsRewrittenMarkup) {
  std::mt19937 random(kSeed);
  const std::regex warningForm(R"((Unexpected "[<>]" encountered|End tag found without matching start tag: [\s\S]*) )"
                               R"(\[Row:[1-9][0-9]*,Col:([1-9][0-9]*)\])");
  THTMLParser parser;
  std::vector<std::string> warnings;
  std::set<const TTagNode*> reported;
  parser.OnSyntaxWarning = [&](THTMLParser&, const std::string& text) { warnings.push_back(text); };
  parser.OnHTMLTag = [&](THTMLParser&, TTagNode& node) {
    EXPECT_EQ(node.NodeType, kElementNode);
    EXPECT_TRUE(reported.insert(&node).second) << "reported twice";
  };
  size_t nodes = 0;
  for (int i = 0; i < kInputs; ++i) {
    const std::string input = RandomInput(random);
    warnings.clear();
    reported.clear();
    parser.Parse(input);
    EXPECT_FALSE(parser.Busy());
    nodes += CheckTree(parser, input);
    for (const std::string& warning : warnings) {
      std::smatch match;
      ASSERT_TRUE(std::regex_match(warning, match, warningForm)) << warning;
      EXPECT_LE(std::stoi(match[2]), 257) << warning;
    }

    const std::string written = THTMLParser::GetHTML(parser.Root());
    reported.clear();
    parser.Parse(written);
    CheckTree(parser, written);
  }
  EXPECT_GT(nodes, static_cast<size_t>(kInputs));  // the inputs do make trees
}

// Writes a random document in the form GetHTML gives, where parsing loses nothing: names outside
// the tag-name sets, every element closed, no two texts side by side and no text at the end.
class TWellFormedWriter {
public:
  explicit TWellFormedWriter(std::mt19937& random) : random_(random) {}

  std::string Document() {
    std::string out;
    Children(out, 0);
    if (lastWasText_ || Below(random_, 2) == 0) Leaf(out);
    return out;
  }

private:
  void Children(std::string& out, int depth) {
    const size_t count = Below(random_, depth < 4 ? 5 : 2);
    for (size_t i = 0; i < count; ++i) {
      if (depth < 6 && Below(random_, 3) == 0) {
        Element(out, depth);
      } else if (!lastWasText_ && Below(random_, 2) == 0) {
        out += Text("abc xyz\r\n&;/!?-=\"'");
        lastWasText_ = true;
      } else {
        Leaf(out);
      }
    }
  }

  void Element(std::string& out, int depth) {
    static const std::vector<std::string> kNames = {"a", "b", "span", "em", "Font", "x-y", "SECTION"};
    const std::string& name = Pick(random_, kNames);
    out += "<" + name + Attributes() + ">";
    lastWasText_ = false;
    Children(out, depth + 1);
    out += "</" + name + ">";
    lastWasText_ = false;
  }

  // A node without children that is not text.
  void Leaf(std::string& out) {
    switch (Below(random_, 5)) {
      case 0:
        out += "<br" + Attributes() + ">";
        break;
      case 1:
        out += "<IMG" + Attributes() + ">";
        break;
      case 2:
        out += "<!-- " + Word() + "-->";
        break;
      case 3:
        out += "<![CDATA[" + Text("ab <x> &") + "]]>";
        break;
      default:
        out += "<!DOCTYPE " + Word() + ">";
        break;
    }
    lastWasText_ = false;
  }

  std::string Attributes() {
    static const std::vector<std::string> kNames = {"href", "ID", "class", "data-x", "checked"};
    std::string out;
    const size_t count = Below(random_, 4);
    for (size_t i = 0; i < count; ++i) {
      out += " " + Pick(random_, kNames);
      switch (Below(random_, 4)) {
        case 0:  // bare word
          break;
        case 1:
          out += "=\"" + Text("ab /=&;'\r\n\t") + "\"";
          break;
        case 2:  // holds a double quote, so it is written in single quotes
          out += "='" + Text("ab /=") + "\"'";
          break;
        default:
          out += "=\"\"";
          break;
      }
    }
    return out;
  }

  // Letters with single blanks inside.
  std::string Word() {
    std::string word = Text("abcdefgh");
    for (size_t i = 0; i < Below(random_, 3); ++i) word += " " + Text("ijkl");
    return word;
  }

  // One to eight bytes of `alphabet`, not ending with a blank.
  std::string Text(std::string_view alphabet) {
    std::string text;
    const size_t length = 1 + Below(random_, 8);
    for (size_t i = 0; i < length; ++i) text += alphabet[Below(random_, alphabet.size())];
    if (static_cast<unsigned char>(text.back()) <= ' ') text.back() = alphabet[0];
    return text;
  }

  std::mt19937& random_;
  bool lastWasText_ = false;
};

TEST(HtmlParserRandomTest, WritesWellFormedDocumentsBackAsTheyWere) {
  std::mt19937 random(kSeed + 1);
  THTMLParser parser;
  int warnings = 0;
  parser.OnSyntaxWarning = [&](THTMLParser&, const std::string&) { ++warnings; };
  for (int i = 0; i < kInputs; ++i) {
    const std::string document = TWellFormedWriter(random).Document();
    parser.Parse(document);
    ASSERT_EQ(THTMLParser::GetHTML(parser.Root()), document);
  }
  EXPECT_EQ(warnings, 0);
}

}  // namespace
}  // namespace varnelo::parsing
