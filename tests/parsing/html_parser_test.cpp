#include "parsing/html_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parsing/tag_tokenizer.h"

namespace varnelo::parsing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A compact picture of a tree: an element is its name, "/" when Closed, its attributes in brackets
// and its children in parentheses; a text node is its text in quotes; any other node is
// {kind:Name:Text}.
std::string Dump(const TTagNode& node);

std::string DumpChildren(const TTagNode& node) {
  std::string out;
  for (const auto& child : node.Children) {
    if (!out.empty()) out += ' ';
    out += Dump(*child);
  }
  return out;
}

std::string Dump(const TTagNode& node) {
  std::string out;
  if (node.NodeType == kElementNode) {
    out = node.Name;
    if (node.Closed) out += '/';
    if (!node.Attributes.empty()) {
      out += '[';
      for (size_t i = 0; i < node.Attributes.size(); ++i) out += (i > 0 ? "|" : "") + node.Attributes[i];
      out += ']';
    }
  } else if (node.NodeType == kTextNode) {
    EXPECT_EQ(node.Name, "PCDATA");
    out = "'" + node.Text + "'";
  } else {
    out = "{" + std::to_string(node.NodeType) + ":" + node.Name + ":" + node.Text + "}";
  }
  if (!node.Children.empty()) out += "(" + DumpChildren(node) + ")";
  return out;
}

// Every node's Parent is the node whose Children hold it.
void ExpectLinked(const TTagNode& node) {
  for (const auto& child : node.Children) {
    EXPECT_EQ(child->Parent, &node) << Dump(*child);
    ExpectLinked(*child);
  }
}

struct TTreeCase {
  const char* html;
  const char* tree;
};

class ParseTreeTest : public ::testing::TestWithParam<TTreeCase> {};

TEST_P(ParseTreeTest, BuildsTree) {
  THTMLParser parser;
  parser.Parse(GetParam().html);
  EXPECT_EQ(DumpChildren(parser.Root()), GetParam().tree) << GetParam().html;
  EXPECT_EQ(parser.Root().NodeType, kRootNode);
  EXPECT_EQ(parser.Root().Name, "");
  EXPECT_EQ(parser.Root().Parent, nullptr);
  ExpectLinked(parser.Root());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTreeTest,
    ::testing::Values(
        // Implied end tags, and trailing text that is dropped.
        TTreeCase{"<p>a<p>b</p>", "p('a') p('b')"}, TTreeCase{"<p>a<p>b", "p('a') p"},
        TTreeCase{"<ul><li>x<li>y</ul>", "ul(li('x') li('y'))"},
        TTreeCase{"<p>a<div>b</div>", "p('a') div('b')"}, TTreeCase{"<p>a<HR>b<", "p('a') HR/ 'b'"},
        TTreeCase{"<td>a<tr>b<", "td('a' tr('b'))"}, TTreeCase{"<b>a<b>c<", "b('a' b('c'))"},
        TTreeCase{"<p><p><p>", "p p p"}, TTreeCase{"<p><span><p>", "p(span(p))"},
        // Empty and self-closed elements.
        TTreeCase{"<br/>", "br/"}, TTreeCase{"<img src=x>", "img/[src=x]"},
        TTreeCase{"<a href=x/>t<", "a/[href=x] 't'"}, TTreeCase{"<a href='x/'>t<", "a[href=x/]('t')"},
        TTreeCase{"<META name=x><p>", "META/[name=x] p"},
        // Names keep their case; attributes lose their quotes.
        TTreeCase{"<A HREF='x'>t</A>", "A[HREF=x]('t')"},
        TTreeCase{"<a title=\"x y\" checked b = 'c'>", "a[title=x y|checked|b|=c]"},
        TTreeCase{"<P>x</p>y<", "P('x') 'y'"},
        // End tags match on the whole lower-cased text.
        TTreeCase{"</b>", ""}, TTreeCase{"<i>x</b>y</i>", "i('x' 'y')"}, TTreeCase{"<p>x</p >y<", "p('x' 'y')"},
        TTreeCase{"<a><b><c>x</a>y<", "a(b(c('x'))) 'y'"},
        // Comments, declarations, CDATA.
        TTreeCase{"<!-- a <b> c -->", "{3:!:a <b> c}"}, TTreeCase{"<!--x-->y<", "{3:!:x} 'y'"},
        TTreeCase{"<!-- a -- >", "{3:!:a}"}, TTreeCase{"<!-- a->b-->", "{3:!:a->b}"},
        TTreeCase{"<!-- > -->x<", "{3:!:} ' -->'"}, TTreeCase{"<!-->", "{3:!:}"}, TTreeCase{"<!--->", "{3:!:-}"},
        TTreeCase{"<![CDATA[x]]>", "{5:CDATA:x}"}, TTreeCase{"<![CDATA[ a<b>c ]]>", "{5:CDATA: a<b>c}"},
        TTreeCase{"<![CDATA]>", "{5:CDATA:}"}, TTreeCase{"<!DOCTYPE html>", "{4:!DOCTYPE:html}"},
        TTreeCase{"<!DOCTYPE>", "{4:!DOCTYPE:}"}, TTreeCase{"<?xml version=\"1.0\"?>", "{4:!xml:version=\"1.0\"?}"},
        TTreeCase{"<!>", "{0::}"}, TTreeCase{"<! >", "{0::}"},
        TTreeCase{"<!DOCTYPE x [ <!ENTITY a \"b>\"> ]>", "{4:!DOCTYPE:x [ <!ENTITY a \"b>\"> ]}"},
        // An unexpected ">" inside a "--" comment of a declaration is not counted: the text loses
        // its last byte.
        TTreeCase{"<!DOCTYPE a -- c > d -- >", "{4:!DOCTYPE:a -- c > d --}"},
        TTreeCase{"<!x -- <y -- <p>", "'x -- <y -- ' p"},
        // Text, and bytes that are not counted.
        TTreeCase{"<a>\r\n<b>", "a('\r\n' b)"}, TTreeCase{"a>b<", "'a>'"}, TTreeCase{"<a <b>", "a[<]"},
        TTreeCase{"<a title=\"x>y\">z<", "a[title=x]('y\">')"}, TTreeCase{"x<", "'x'"}, TTreeCase{"x", ""},
        TTreeCase{"<", ""}, TTreeCase{"", ""},
        // A "<" inside an end tag or a declaration turns what was read into text.
        TTreeCase{"</a<b>", "'a' b"}, TTreeCase{"<!x<b>", "'x' b"},
        TTreeCase{"<<!--c-->", "{3:!:c}"}, TTreeCase{"<a<!x>", "{4:!x:}"},
        // A tag without a name is an element all the same, and "</>" closes it.
        TTreeCase{"<>a</>b<", "('a') 'b'"}));

struct TWarningCase {
  std::string html;
  std::vector<std::string> warnings;
};

class ParseWarningTest : public ::testing::TestWithParam<TWarningCase> {};

TEST_P(ParseWarningTest, ReportsSyntaxProblems) {
  THTMLParser parser;
  std::vector<std::string> warnings;
  parser.OnSyntaxWarning = [&](THTMLParser& sender, const std::string& text) {
    EXPECT_EQ(&sender, &parser);
    warnings.push_back(text);
  };
  parser.Parse(GetParam().html);
  EXPECT_EQ(warnings, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseWarningTest,
    ::testing::Values(
        TWarningCase{"<a<b>", {"Unexpected \"<\" encountered [Row:1,Col:3]"}},
        TWarningCase{"<a t=\"x\"<b>", {"Unexpected \"<\" encountered [Row:1,Col:9]"}},
        TWarningCase{"<a t=\"<\" u='<'>", {}},
        TWarningCase{"a>", {"Unexpected \">\" encountered [Row:1,Col:2]"}},
        TWarningCase{"<!a -- > -->", {"Unexpected \">\" encountered [Row:1,Col:8]"}},
        TWarningCase{"x\r\n</b>", {"End tag found without matching start tag: b [Row:2,Col:4]"}},
        TWarningCase{"</B >", {"End tag found without matching start tag: b  [Row:1,Col:5]"}},
        TWarningCase{"<p>\r\n\r\n</p></p>>",
                     {"End tag found without matching start tag: p [Row:3,Col:8]",
                      "Unexpected \">\" encountered [Row:3,Col:9]"}},
        // A row holds at most 257 columns.
        TWarningCase{std::string(300, 'x') + ">", {"Unexpected \">\" encountered [Row:2,Col:44]"}},
        TWarningCase{std::string(256, 'x') + ">", {"Unexpected \">\" encountered [Row:1,Col:257]"}},
        TWarningCase{"<p>a</p><br/><!-- a > --><![CDATA[>]]>", {}}));

TEST(HtmlParserTest, ReportsCompleteElements) {
  THTMLParser parser;
  std::vector<std::string> reported;
  parser.OnHTMLTag = [&](THTMLParser& sender, TTagNode& node) {
    EXPECT_EQ(&sender, &parser);
    reported.push_back(node.Name + ":" + DumpChildren(node));
  };
  // The implicitly closed item is not reported; the end tag of the list reports the open item first.
  parser.Parse("<br><ul><li>x<li>y</ul><p>a<p>b<img src=i></p><div>open");
  EXPECT_THAT(reported, ElementsAre("br:", "li:'y'", "ul:li('x') li('y')", "img:", "p:'b' img/[src=i]"));
}

TEST(HtmlParserTest, IgnoresParseFromAHandlerAndReplacesTheTreeOnTheNextParse) {
  THTMLParser parser;
  bool busyInHandler = false;
  parser.OnHTMLTag = [&](THTMLParser& sender, TTagNode&) {
    busyInHandler = sender.Busy();
    sender.Parse("<i>inner</i>");
  };
  parser.Parse("<b>x</b>");
  EXPECT_TRUE(busyInHandler);
  EXPECT_FALSE(parser.Busy());
  EXPECT_EQ(DumpChildren(parser.Root()), "b('x')");

  parser.OnHTMLTag = nullptr;
  parser.Parse("<u>y</u>");
  EXPECT_EQ(DumpChildren(parser.Root()), "u('y')");
}

TEST(HtmlParserTest, ClearsTheBusyFlagWhenAHandlerThrows) {
  THTMLParser parser;
  parser.OnHTMLTag = [](THTMLParser&, TTagNode&) { throw std::runtime_error("handler"); };
  EXPECT_THROW(parser.Parse("<br>"), std::runtime_error);
  EXPECT_FALSE(parser.Busy());
  parser.OnHTMLTag = nullptr;
  parser.Parse("<i>x</i>");
  EXPECT_EQ(DumpChildren(parser.Root()), "i('x')");
}

struct THtmlCase {
  const char* html;
  const char* written;
};

class GetHtmlTest : public ::testing::TestWithParam<THtmlCase> {};

TEST_P(GetHtmlTest, WritesTheTree) {
  THTMLParser parser;
  parser.Parse(GetParam().html);
  EXPECT_EQ(THTMLParser::GetHTML(parser.Root()), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetHtmlTest,
    ::testing::Values(THtmlCase{"<a title='say \"hi\"'>t</a>", "<a title='say \"hi\"'>t</a>"},
                      // A "<" inside a quoted value belongs to it and costs the tag nothing.
                      THtmlCase{"<img title=\"<-\" alt='a<b' src=\"left.gif\">",
                                "<img title=\"<-\" alt=\"a<b\" src=\"left.gif\">"},
                      THtmlCase{"<A HREF=x target>t</A>", "<A HREF=\"x\" target>t</A>"},
                      THtmlCase{"<a b='c=d'>", "<a b=\"c=d\"></a>"},
                      THtmlCase{"<br/><img src=x><a href=y/>", "<br><img src=\"x\"><a href=\"y\">"},
                      THtmlCase{"<p>a<p>b</p>", "<p>a</p><p>b</p>"}, THtmlCase{"<ul><li>x", "<ul><li></li></ul>"},
                      THtmlCase{"<!--  x  -->", "<!-- x-->"}, THtmlCase{"<!DOCTYPE html>", "<!DOCTYPE html>"},
                      THtmlCase{"<!DOCTYPE>", "<!DOCTYPE >"}, THtmlCase{"<![CDATA[ x ]]>", "<![CDATA[ x]]>"},
                      THtmlCase{"<!>", ""}, THtmlCase{"a &amp; b<br>", "a &amp; b<br>"},
                      THtmlCase{"<html>\r\n<body>\r\n</body>\r\n</html>", "<html>\r\n<body>\r\n</body>\r\n</html>"}));

TEST(GetHtmlTest, WritesChildrenOnlyAndEmptyOrPlainItemsAsTheyAre) {
  THTMLParser parser;
  parser.Parse("<ul><li a=1>x</li></ul>");
  TTagNode& list = *parser.Root().GetChild(0);
  EXPECT_EQ(THTMLParser::GetHTML(list), "<li a=\"1\">x</li>");
  TTagNode& item = *list.GetChild(0);
  item.Attributes.insert(item.Attributes.begin(), "");
  item.AddChildText("<raw>", 7);
  EXPECT_EQ(THTMLParser::GetHTML(list), "<li  a=\"1\">x<raw></li>");

  std::string out = "head:";
  THTMLParser::AppendHTML(list, out);
  EXPECT_EQ(out, "head:<li  a=\"1\">x<raw></li>");
}

class FindTest : public ::testing::Test {
protected:
  void SetUp() override { parser_.Parse("<A href=1><b>x</b><a>y</a></A><!--c-->z<br>"); }

  static std::vector<std::string> Names(const TTagNodeList& list) {
    std::vector<std::string> names;
    for (const TTagNode* node : list) names.push_back(node->Name + (node->Text.empty() ? "" : "=" + node->Text));
    return names;
  }

  THTMLParser parser_;
  TTagNodeList list_;
};

TEST_F(FindTest, FindsDescendantsByNameIgnoringCaseInDocumentOrder) {
  list_.Add(&parser_.Root());  // cleared first
  THTMLParser::FindTags(parser_.Root(), "a", list_);
  EXPECT_THAT(Names(list_), ElementsAre("A", "a"));
  THTMLParser::FindTags(parser_.Root(), "*", list_);
  EXPECT_THAT(Names(list_), ElementsAre("A", "b", "PCDATA=x", "a", "PCDATA=y", "!=c", "PCDATA=z", "br"));
  THTMLParser::FindTags(parser_.Root(), "", list_);
  EXPECT_EQ(list_.Count(), 8u);
  // The node itself is not among its descendants.
  THTMLParser::FindTags(*parser_.Root().GetChild(0), "A", list_);
  EXPECT_THAT(Names(list_), ElementsAre("a"));
  THTMLParser::FindTags(parser_.Root(), "nothing", list_);
  EXPECT_EQ(list_.Count(), 0u);
}

TEST_F(FindTest, FindsNodesOfTheGivenKinds) {
  THTMLParser::FindNodes(parser_.Root(), "*", list_, {kTextNode});
  EXPECT_THAT(Names(list_), ElementsAre("PCDATA=x", "PCDATA=y", "PCDATA=z"));
  THTMLParser::FindNodes(parser_.Root(), "", list_, {kCommentNode, kElementNode});
  EXPECT_THAT(Names(list_), ElementsAre("A", "b", "a", "!=c", "br"));
  THTMLParser::FindNodes(parser_.Root(), "B", list_, {kElementNode});
  EXPECT_THAT(Names(list_), ElementsAre("b"));
  THTMLParser::FindNodes(parser_.Root(), "*", list_, {});
  EXPECT_EQ(list_.Count(), 0u);
  // A kind set by a caller outside 0 to 5 is still found by FindTags, and never by FindNodes.
  parser_.Root().GetChild(0)->NodeType = 99;
  THTMLParser::FindNodes(parser_.Root(), "A", list_, {0, 1, 2, 3, 4, 5, 99});
  EXPECT_THAT(Names(list_), ElementsAre("a"));
  THTMLParser::FindTags(parser_.Root(), "A", list_);
  EXPECT_THAT(Names(list_), ElementsAre("A", "a"));
}

TEST(TagNodeListTest, IgnoresIndexesOutOfRange) {
  TTagNode a;
  TTagNode b;
  TTagNodeList list;
  list.Add(&a);
  list.Add(&b);
  EXPECT_EQ(list.Items(1), &b);
  EXPECT_EQ(list.Items(2), nullptr);
  list.Delete(5);
  EXPECT_EQ(list.Count(), 2u);
  list.Delete(0);
  EXPECT_EQ(list.Items(0), &b);
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Items(0), nullptr);
}

class TagNodeTest : public ::testing::Test {
protected:
  // root(a(a1 a2) b)
  void SetUp() override {
    a_ = root_.AddChild(Element("a"));
    b_ = root_.AddChild(Element("b"));
    a1_ = a_->AddChild(Element("a1"));
    a2_ = a_->AddChild(Element("a2"));
  }
  static std::unique_ptr<TTagNode> Element(const char* name) {
    return std::make_unique<TTagNode>(kElementNode, name);
  }

  TTagNode root_;
  TTagNode* a_ = nullptr;
  TTagNode* b_ = nullptr;
  TTagNode* a1_ = nullptr;
  TTagNode* a2_ = nullptr;
};

TEST_F(TagNodeTest, SetParentMovesANodeToTheEndOfItsNewParent) {
  EXPECT_EQ(a1_->SetParent(b_), nullptr);
  EXPECT_EQ(DumpChildren(root_), "a(a2) b(a1)");
  EXPECT_EQ(a1_->GetParent(), b_);
  ExpectLinked(root_);
}

TEST_F(TagNodeTest, SetParentIgnoresTheSameParentItselfAndItsDescendants) {
  for (TTagNode* parent : {static_cast<TTagNode*>(&root_), a_, a1_}) EXPECT_EQ(a_->SetParent(parent), nullptr);
  EXPECT_EQ(DumpChildren(root_), "a(a1 a2) b");
  ExpectLinked(root_);
}

TEST_F(TagNodeTest, DetachedNodesBelongToTheCaller) {
  std::unique_ptr<TTagNode> detached = root_.RemoveChild(a_);
  ASSERT_EQ(detached.get(), a_);
  EXPECT_EQ(detached->Parent, nullptr);
  EXPECT_EQ(DumpChildren(root_), "b");
  EXPECT_EQ(detached->SetParent(b_), nullptr);  // no parent holds it: only AddChild takes it over
  EXPECT_EQ(b_->ChildCount(), 0u);

  // A node cannot be added under itself or its own descendants.
  EXPECT_EQ(a1_->AddChild(std::move(detached)), nullptr);
  ASSERT_NE(detached, nullptr);
  EXPECT_EQ(b_->InsertChild(0, std::move(detached)), a_);
  EXPECT_EQ(detached, nullptr);
  EXPECT_EQ(DumpChildren(root_), "b(a(a1 a2))");
  EXPECT_EQ(root_.RemoveChild(nullptr), nullptr);
  ExpectLinked(root_);
}

TEST_F(TagNodeTest, InsertChildPlacesTheNodeAtTheIndexOrLast) {
  EXPECT_EQ(a_->InsertChild(0, Element("x"))->Name, "x");
  a_->InsertChild(1, Element("y"));
  a_->InsertChild(99, Element("z"));
  EXPECT_EQ(DumpChildren(*a_), "x y a1 a2 z");
  EXPECT_EQ(a_->GetChild(4)->Name, "z");
  EXPECT_EQ(a_->GetChild(5), nullptr);
  ExpectLinked(root_);
}

TEST_F(TagNodeTest, AddChildTextAppendsAPlainNode) {
  TTagNode* text = b_->AddChildText("hello", 42);
  EXPECT_EQ(text->NodeType, kRootNode);
  EXPECT_EQ(text->Name, "");
  EXPECT_EQ(text->Text, "hello");
  EXPECT_EQ(text->Data, 42);
  EXPECT_EQ(text->Parent, b_);
  EXPECT_EQ(b_->GetChild(0), text);
}

TEST_F(TagNodeTest, ClearKeepsOnlyTheName) {
  a_->Attributes = {"x=1"};
  a_->Text = "t";
  a_->Data = 3;
  a_->Clear();
  EXPECT_EQ(a_->Name, "a");
  EXPECT_EQ(a_->ChildCount(), 0u);
  EXPECT_THAT(a_->Attributes, IsEmpty());
  EXPECT_EQ(a_->Text, "");
  EXPECT_EQ(a_->Data, 0);
  EXPECT_EQ(a_->NodeType, kRootNode);
  EXPECT_EQ(a_->Parent, nullptr);
  // Its former parent still holds it; a node without a parent cannot be moved.
  EXPECT_EQ(root_.GetChild(0), a_);
  EXPECT_EQ(a_->SetParent(b_), nullptr);
  EXPECT_EQ(root_.GetChild(0), a_);
}

TEST(HtmlParserTest, HandlesDeeplyNestedPages) {
  constexpr int kDepth = 200000;
  std::string html;
  for (int i = 0; i < kDepth; ++i) html += "<b>";
  html += "x<";
  THTMLParser parser;
  parser.Parse(html);
  TTagNodeList all;
  THTMLParser::FindTags(parser.Root(), "*", all);
  EXPECT_EQ(all.Count(), static_cast<size_t>(kDepth) + 1);
  const std::string written = THTMLParser::GetHTML(parser.Root());
  EXPECT_EQ(written.size(), kDepth * 7u + 1);
  EXPECT_EQ(written.substr(kDepth * 3 - 3, 12), "<b>x</b></b>");
  parser.Parse(written);  // frees the deep tree
  THTMLParser::FindTags(parser.Root(), "b", all);
  EXPECT_EQ(all.Count(), static_cast<size_t>(kDepth));
}

struct TTokenCase {
  const char* tag;
  std::vector<std::string> words;
};

class TokenizeTagTest : public ::testing::TestWithParam<TTokenCase> {};

TEST_P(TokenizeTagTest, CutsWords) { EXPECT_EQ(TokenizeTag(GetParam().tag), GetParam().words) << GetParam().tag; }

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenizeTagTest,
    ::testing::Values(TTokenCase{"a href=x", {"a", "href=x"}}, TTokenCase{"<a b>", {"a", "b"}},
                      TTokenCase{"<", {"<"}}, TTokenCase{">", {">"}}, TTokenCase{"<>", {}},
                      TTokenCase{"<<a>>", {"<a>"}}, TTokenCase{"", {}}, TTokenCase{"  \t\r ", {}},
                      TTokenCase{"href = \"x\"", {"href", "=x"}}, TTokenCase{"href= \"x\"", {"href=x"}},
                      TTokenCase{"a=\r\n\t b", {"a=b"}}, TTokenCase{"a\tb\rc d", {"a", "b", "c", "d"}},
                      TTokenCase{"a\nb", {"ab"}}, TTokenCase{"a \n b", {"a", "b"}},
                      TTokenCase{"t=\"a b\" u", {"t=a b", "u"}},
                      TTokenCase{"t='say \"hi\"'", {"t=say \"hi\""}}, TTokenCase{"t=\"it's\"", {"t=it's"}},
                      TTokenCase{"t=\"a\nb\tc=  d\"", {"t=a\nb\tc=  d"}}, TTokenCase{"t=\"unclosed x", {"t=unclosed x"}},
                      TTokenCase{"a=\"\" b", {"a=", "b"}}, TTokenCase{"\"\" ''", {}},
                      TTokenCase{"x'a'\"b\"c", {"xabc"}}, TTokenCase{"a==  b", {"a==b"}},
                      TTokenCase{"a= ", {"a="}}));

}  // namespace
}  // namespace varnelo::parsing
