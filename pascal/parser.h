#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "pascal/ast.h"
#include "pascal/lexer.h"

namespace varnelo::pascal {

// Builds the tree of a program (or of a unit) from its tokens. Throws TScriptError (syntax) at the
// first error. Nesting is bounded so hostile input cannot exhaust the stack.
class TParser {
 public:
  explicit TParser(std::vector<TToken> tokens);

  TProgram ParseProgram();
  // A unit: interface declarations, implementation, optional initialization.
  TProgram ParseUnit();

 private:
  const TToken& Current() const { return tokens_[pos_]; }
  const TToken& PeekToken(size_t ahead = 1) const;
  bool IsKeyword(const char* word) const;
  bool IsSymbol(const char* symbol) const;
  bool AcceptKeyword(const char* word);
  bool AcceptSymbol(const char* symbol);
  void ExpectKeyword(const char* word);
  void ExpectSymbol(const char* symbol);
  std::string ExpectIdentifier();
  [[noreturn]] void Fail(const std::string& text) const;
  TNodePtr MakeNode(TNodeKind kind) const;

  void ParseUses(TProgram& program);
  void ParseDeclarations(TBlock& block, bool interfaceOnly);
  void ParseConstSection(TBlock& block);
  void ParseTypeSection(TBlock& block);
  void ParseVarSection(TBlock& block);
  void ParseRoutine(TBlock& block, bool headingOnly);
  // The routine a heading declares or defines: a new one, an overload, or one declared earlier.
  std::shared_ptr<TRoutine> DeclareRoutine(TBlock& block, const std::shared_ptr<TRoutine>& heading, bool hasHeading);
  std::vector<TParam> ParseParams();
  TTypeRef ParseType();
  TTypeRef NamedType(const std::string& name);
  int64_t ConstantOrdinal();

  TNodePtr ParseCompound();
  TNodePtr ParseStatement();
  TNodePtr ParseStatementList(const char* endKeyword, const char* otherEnd = nullptr);
  TNodePtr ParseIf();
  TNodePtr ParseCase();
  TNodePtr ParseFor();
  TNodePtr ParseTry();

  TNodePtr ParseExpression();
  // An expression, or "a..b" as a range node: a case label or a set element.
  TNodePtr ParseExpressionOrRange();
  TNodePtr ParseSimple();
  TNodePtr ParseTerm();
  TNodePtr ParseFactor();
  TNodePtr ParsePostfix(TNodePtr base);
  std::vector<TNodePtr> ParseArguments(const char* close);

  struct TDepthGuard {
    explicit TDepthGuard(TParser& parser);
    ~TDepthGuard();
    TParser& parser;
  };

  std::vector<TToken> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  int loopDepth_ = 0;  // Break and Continue belong inside a loop of the same routine
  std::vector<std::map<std::string, TTypeRef>> typeScopes_;
  std::vector<TBlock*> blockStack_;
  std::set<std::string> unitNames_;  // qualifiers of Unit.Member
};

}  // namespace varnelo::pascal
