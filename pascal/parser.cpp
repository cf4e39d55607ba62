#include "pascal/parser.h"

#include <algorithm>

#include "pascal/errors.h"
#include "pascal/library_classes.h"

namespace varnelo::pascal {

namespace {

constexpr int kMaxNesting = 200;
// Static arrays are allocated whole, so their total size is bounded.
constexpr int64_t kMaxStaticCells = 1'000'000;

int64_t CellCount(const TTypeSpec& type) {
  if (type.kind == TTypeSpec::TKind::kStaticArray) return (type.high - type.low + 1) * CellCount(*type.element);
  if (type.kind == TTypeSpec::TKind::kRecord) {
    int64_t total = 0;
    for (const auto& field : type.fields) total = std::min(total + CellCount(*field.second), kMaxStaticCells + 1);
    return std::max<int64_t>(total, 1);
  }
  return 1;
}

const char* const kReserved[] = {"and", "array", "begin", "case", "const", "div", "do", "downto", "else", "end",
                                 "except", "finally", "for", "function", "if", "in", "mod", "nil", "not", "of",
                                 "or", "procedure", "program", "raise", "record", "repeat", "set", "shl", "shr",
                                 "then", "to", "try", "type", "until", "uses", "var", "while", "xor", "unit",
                                 "interface", "implementation", "initialization", "finalization", "on", "with"};

bool IsReserved(const std::string& word) {
  for (const char* reserved : kReserved)
    if (word == reserved) return true;
  return false;
}

TTypeRef MakeType(TTypeSpec::TKind kind, const std::string& name) {
  auto type = std::make_shared<TTypeSpec>();
  type->kind = kind;
  type->name = name;
  return type;
}

std::unique_ptr<TNode> Clone(const TNode& node) {
  auto copy = std::make_unique<TNode>();
  copy->kind = node.kind;
  copy->line = node.line;
  copy->column = node.column;
  copy->text = node.text;
  copy->original = node.original;
  copy->integer = node.integer;
  copy->real = node.real;
  copy->flag = node.flag;
  for (const auto& kid : node.kids) copy->kids.push_back(Clone(*kid));
  copy->type = node.type;
  copy->unqualified = node.unqualified;
  return copy;
}

}  // namespace

TParser::TDepthGuard::TDepthGuard(TParser& p) : parser(p) {
  if (++parser.depth_ > kMaxNesting) parser.Fail("Nesting too deep");
}

TParser::TDepthGuard::~TDepthGuard() { --parser.depth_; }

TParser::TParser(std::vector<TToken> tokens) : tokens_(std::move(tokens)) {
  if (tokens_.empty() || tokens_.back().kind != TTokenKind::kEnd) tokens_.push_back(TToken{});
  using K = TTypeSpec::TKind;
  std::map<std::string, TTypeRef> builtins;
  for (auto [name, kind] : std::initializer_list<std::pair<const char*, K>>{
           {"integer", K::kInteger}, {"longint", K::kInteger}, {"int64", K::kInt64}, {"byte", K::kByte},
           {"word", K::kWord}, {"cardinal", K::kCardinal}, {"longword", K::kCardinal},
           {"smallint", K::kSmallInt}, {"shortint", K::kShortInt}, {"double", K::kDouble},
           {"real", K::kDouble}, {"single", K::kDouble}, {"extended", K::kDouble}, {"currency", K::kDouble},
           {"tdatetime", K::kDouble}, {"tdate", K::kDouble}, {"ttime", K::kDouble},
           {"string", K::kString}, {"ansistring", K::kString}, {"shortstring", K::kString},
           {"widestring", K::kString}, {"unicodestring", K::kString}, {"char", K::kChar},
           {"ansichar", K::kChar}, {"widechar", K::kChar}, {"boolean", K::kBoolean}, {"variant", K::kVariant},
           {"tobject", K::kObject}, {"exception", K::kObject}, {"textfile", K::kTextFile}, {"text", K::kTextFile}})
    builtins[name] = MakeType(kind, name);
  typeScopes_.push_back(std::move(builtins));
  for (const char* unit : {"system", "sysutils", "classes", "strutils", "math", "dialogs", "db", "variants", "types"})
    unitNames_.insert(unit);
}

const TToken& TParser::PeekToken(size_t ahead) const {
  return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead] : tokens_.back();
}

bool TParser::IsKeyword(const char* word) const {
  return Current().kind == TTokenKind::kIdentifier && Current().text == word;
}

bool TParser::IsSymbol(const char* symbol) const {
  return Current().kind == TTokenKind::kSymbol && Current().text == symbol;
}

bool TParser::AcceptKeyword(const char* word) {
  if (!IsKeyword(word)) return false;
  ++pos_;
  return true;
}

bool TParser::AcceptSymbol(const char* symbol) {
  if (!IsSymbol(symbol)) return false;
  ++pos_;
  return true;
}

void TParser::Fail(const std::string& text) const {
  throw TScriptError(TErrorCode::kSyntax, text, Current().line, Current().column);
}

static std::string Describe(const TToken& token) {
  switch (token.kind) {
    case TTokenKind::kEnd: return "end of file";
    case TTokenKind::kString: return "string constant";
    case TTokenKind::kIdentifier: return "\"" + token.original + "\"";
    default: return "\"" + token.text + "\"";
  }
}

void TParser::ExpectKeyword(const char* word) {
  if (!AcceptKeyword(word)) Fail(std::string("\"") + word + "\" expected but " + Describe(Current()) + " found");
}

void TParser::ExpectSymbol(const char* symbol) {
  if (!AcceptSymbol(symbol)) Fail(std::string("\"") + symbol + "\" expected but " + Describe(Current()) + " found");
}

std::string TParser::ExpectIdentifier() {
  if (Current().kind != TTokenKind::kIdentifier || IsReserved(Current().text))
    Fail("Identifier expected but " + Describe(Current()) + " found");
  return tokens_[pos_++].text;
}

TNodePtr TParser::MakeNode(TNodeKind kind) const {
  auto node = std::make_unique<TNode>();
  node->kind = kind;
  node->line = Current().line;
  node->column = Current().column;
  return node;
}

TProgram TParser::ParseProgram() {
  TProgram program;
  program.block = std::make_shared<TBlock>();
  if (AcceptKeyword("program")) {
    unitNames_.insert(ExpectIdentifier());
    if (AcceptSymbol("(")) {
      do ExpectIdentifier();
      while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    ExpectSymbol(";");
  }
  ParseUses(program);
  ParseDeclarations(*program.block, false);
  program.block->body = ParseCompound();
  ExpectSymbol(".");
  return program;
}

TProgram TParser::ParseUnit() {
  TProgram unit;
  unit.block = std::make_shared<TBlock>();
  ExpectKeyword("unit");
  unitNames_.insert(ExpectIdentifier());
  ExpectSymbol(";");
  ExpectKeyword("interface");
  ParseUses(unit);
  ParseDeclarations(*unit.block, true);
  ExpectKeyword("implementation");
  ParseUses(unit);
  ParseDeclarations(*unit.block, false);
  if (IsKeyword("initialization") || IsKeyword("begin")) {
    ++pos_;
    unit.block->body = ParseStatementList("end");
  }
  ExpectKeyword("end");
  ExpectSymbol(".");
  return unit;
}

void TParser::ParseUses(TProgram& program) {
  if (!AcceptKeyword("uses")) return;
  do {
    program.usesPositions.emplace_back(Current().line, Current().column);
    program.usesSpelled.push_back(Current().original);
    program.uses.push_back(ExpectIdentifier());
    while (AcceptSymbol(".")) program.uses.back() += "." + ExpectIdentifier();
    unitNames_.insert(program.uses.back());
  } while (AcceptSymbol(","));
  ExpectSymbol(";");
}

void TParser::ParseDeclarations(TBlock& block, bool interfaceOnly) {
  blockStack_.push_back(&block);
  for (;;) {
    if (AcceptKeyword("const")) {
      ParseConstSection(block);
    } else if (AcceptKeyword("type")) {
      ParseTypeSection(block);
    } else if (AcceptKeyword("var")) {
      ParseVarSection(block);
    } else if (IsKeyword("procedure") || IsKeyword("function")) {
      ParseRoutine(block, interfaceOnly);
    } else {
      break;
    }
  }
  if (!interfaceOnly) {
    for (const auto& [name, first] : block.routines)
      for (const TRoutine* routine = first.get(); routine; routine = routine->nextOverload.get())
        if (!routine->defined)
          throw TScriptError(TErrorCode::kSyntax, "Forward declaration not solved \"" + name + "\"", routine->line,
                             routine->column);
  }
  blockStack_.pop_back();
}

void TParser::ParseConstSection(TBlock& block) {
  while (Current().kind == TTokenKind::kIdentifier && !IsReserved(Current().text)) {
    TConstDecl decl;
    decl.name = ExpectIdentifier();
    if (AcceptSymbol(":")) decl.type = ParseType();
    ExpectSymbol("=");
    decl.value = ParseExpression();
    ExpectSymbol(";");
    block.consts.push_back(std::move(decl));
  }
}

void TParser::ParseTypeSection(TBlock&) {
  while (Current().kind == TTokenKind::kIdentifier && !IsReserved(Current().text)) {
    std::string name = ExpectIdentifier();
    ExpectSymbol("=");
    TTypeRef type = ParseType();
    typeScopes_.back()[name] = type;
    ExpectSymbol(";");
  }
}

void TParser::ParseVarSection(TBlock& block) {
  while (Current().kind == TTokenKind::kIdentifier && !IsReserved(Current().text)) {
    std::vector<std::string> names{ExpectIdentifier()};
    while (AcceptSymbol(",")) names.push_back(ExpectIdentifier());
    ExpectSymbol(":");
    TTypeRef type = ParseType();
    TNodePtr initial;
    if (AcceptSymbol("=")) {
      if (names.size() != 1) Fail("Only one variable can be initialized");
      initial = ParseExpression();
    }
    ExpectSymbol(";");
    for (auto& name : names) block.vars.push_back(TVarDecl{name, type, std::move(initial)});
  }
}

TTypeRef TParser::NamedType(const std::string& name) {
  for (auto scope = typeScopes_.rbegin(); scope != typeScopes_.rend(); ++scope) {
    auto found = scope->find(name);
    if (found != scope->end()) return found->second;
  }
  return nullptr;
}

int64_t TParser::ConstantOrdinal() {
  bool negative = AcceptSymbol("-");
  const TToken& token = Current();
  int64_t value = 0;
  if (token.kind == TTokenKind::kInteger) {
    value = token.integer;
  } else if (token.kind == TTokenKind::kString && token.text.size() == 1 && !negative) {
    value = static_cast<unsigned char>(token.text[0]);
  } else if (token.kind == TTokenKind::kIdentifier) {
    bool found = false;
    for (auto block = blockStack_.rbegin(); block != blockStack_.rend() && !found; ++block)
      for (const auto& decl : (*block)->consts)
        if (decl.name == token.text && decl.value->kind == TNodeKind::kIntLit) {
          value = decl.value->integer;
          found = true;
        }
    if (!found) Fail("Constant expression expected");
  } else {
    Fail("Constant expression expected");
  }
  ++pos_;
  return negative ? -value : value;
}

TTypeRef TParser::ParseType() {
  TDepthGuard guard(*this);
  using K = TTypeSpec::TKind;
  if (AcceptKeyword("array")) {
    if (!AcceptSymbol("[")) {
      ExpectKeyword("of");
      auto type = MakeType(K::kDynArray, "array");
      type->element = ParseType();
      return type;
    }
    std::vector<std::pair<int64_t, int64_t>> bounds;
    do {
      // An enumeration as the index type: array[TColor] of ...
      if (Current().kind == TTokenKind::kIdentifier && PeekToken().text != "..") {
        TTypeRef indexType = NamedType(Current().text);
        if (indexType && indexType->kind == K::kEnum) {
          ++pos_;
          bounds.emplace_back(indexType->low, indexType->high);
          continue;
        }
      }
      int64_t low = ConstantOrdinal();
      ExpectSymbol("..");
      int64_t high = ConstantOrdinal();
      if (high < low || static_cast<uint64_t>(high) - static_cast<uint64_t>(low) >= 1000000) Fail("Array bounds out of range");
      bounds.emplace_back(low, high);
    } while (AcceptSymbol(","));
    ExpectSymbol("]");
    ExpectKeyword("of");
    TTypeRef type = ParseType();
    for (auto bound = bounds.rbegin(); bound != bounds.rend(); ++bound) {
      auto array = MakeType(K::kStaticArray, "array");
      array->low = bound->first;
      array->high = bound->second;
      array->element = type;
      if (CellCount(*type) > kMaxStaticCells / (bound->second - bound->first + 1)) Fail("Array too large");
      type = array;
    }
    return type;
  }
  if (AcceptKeyword("record")) {
    auto type = MakeType(K::kRecord, "record");
    while (!AcceptKeyword("end")) {
      std::vector<std::string> names{ExpectIdentifier()};
      while (AcceptSymbol(",")) names.push_back(ExpectIdentifier());
      ExpectSymbol(":");
      TTypeRef fieldType = ParseType();
      for (auto& name : names) type->fields.emplace_back(name, fieldType);
      if (!AcceptSymbol(";")) {
        ExpectKeyword("end");
        break;
      }
    }
    return type;
  }
  if (AcceptKeyword("set")) {
    ExpectKeyword("of");
    ParseType();
    return MakeType(K::kSet, "set");
  }
  if (IsSymbol("(")) {
    ++pos_;
    auto type = MakeType(K::kEnum, "enum");
    auto names = std::make_shared<std::vector<std::string>>();
    type->enumNames = names;
    int64_t ordinal = 0;
    do {
      auto node = MakeNode(TNodeKind::kIntLit);
      node->integer = ordinal++;
      names->push_back(Current().original);
      std::string name = ExpectIdentifier();
      blockStack_.back()->consts.push_back(TConstDecl{name, std::move(node), type});
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    type->high = ordinal - 1;
    return type;
  }
  if (Current().kind == TTokenKind::kIdentifier && !IsReserved(Current().text) && !PeekToken().text.starts_with(".")) {
    if (TTypeRef named = NamedType(Current().text)) {
      ++pos_;
      if (named->kind == K::kString && AcceptSymbol("[")) {  // string[n]
        ConstantOrdinal();
        ExpectSymbol("]");
      }
      return named;
    }
    // Library classes (TStringList...) are object types like TObject.
    if (IsLibraryTypeName(Current().text)) {
      auto type = MakeType(K::kObject, Current().text);
      ++pos_;
      return type;
    }
  }
  if (Current().kind == TTokenKind::kInteger || Current().kind == TTokenKind::kString || IsSymbol("-") ||
      (Current().kind == TTokenKind::kIdentifier && PeekToken().text == "..")) {
    ConstantOrdinal();
    ExpectSymbol("..");
    ConstantOrdinal();
    return MakeType(K::kInteger, "integer");
  }
  if (Current().kind == TTokenKind::kIdentifier)
    throw TScriptError(TErrorCode::kUnknownIdentifier, "Identifier not found \"" + Current().original + "\"",
                       Current().line, Current().column);
  Fail("Type expected but " + Describe(Current()) + " found");
}

std::vector<TParam> TParser::ParseParams() {
  std::vector<TParam> params;
  if (!AcceptSymbol("(")) return params;
  if (AcceptSymbol(")")) return params;
  do {
    TParamMode mode = TParamMode::kValue;
    if (AcceptKeyword("var")) mode = TParamMode::kVar;
    else if (AcceptKeyword("const")) mode = TParamMode::kConst;
    else if (AcceptKeyword("out")) mode = TParamMode::kOut;
    std::vector<std::string> names{ExpectIdentifier()};
    while (AcceptSymbol(",")) names.push_back(ExpectIdentifier());
    TTypeRef type;
    if (AcceptSymbol(":")) type = ParseType();
    else type = MakeType(TTypeSpec::TKind::kVariant, "untyped");
    std::shared_ptr<TNode> defaultValue;
    if (AcceptSymbol("=")) {
      if (names.size() != 1 || mode == TParamMode::kVar || mode == TParamMode::kOut)
        Fail("Default values can only be specified for value parameters");
      defaultValue = ParseExpression();
    } else if (!params.empty() && params.back().defaultValue) {
      Fail("Default parameter required for \"" + names.front() + "\"");
    }
    for (auto& name : names) params.push_back(TParam{name, mode, type, defaultValue});
  } while (AcceptSymbol(";"));
  ExpectSymbol(")");
  return params;
}

void TParser::ParseRoutine(TBlock& block, bool headingOnly) {
  bool isFunction = IsKeyword("function");
  ++pos_;
  auto heading = std::make_shared<TRoutine>();
  heading->line = Current().line;
  heading->column = Current().column;
  heading->name = ExpectIdentifier();
  // The body of an earlier declared routine may repeat its heading or leave it out.
  bool hasHeading = !block.routines.count(heading->name) || IsSymbol("(") || IsSymbol(":");
  if (hasHeading) {
    heading->params = ParseParams();
    if (isFunction) {
      ExpectSymbol(":");
      heading->result = ParseType();
    }
  }
  ExpectSymbol(";");
  bool forward = headingOnly;
  for (;;) {
    if (AcceptKeyword("forward")) forward = true;
    else if (AcceptKeyword("overload")) heading->overloaded = true;
    else if (!(AcceptKeyword("inline") || AcceptKeyword("register") || AcceptKeyword("stdcall") ||
               AcceptKeyword("cdecl")))
      break;
    ExpectSymbol(";");
  }
  std::shared_ptr<TRoutine> routine = DeclareRoutine(block, heading, hasHeading);
  if (forward) return;
  routine->block = std::make_shared<TBlock>();
  typeScopes_.emplace_back();
  int outerLoops = loopDepth_;
  loopDepth_ = 0;
  ParseDeclarations(*routine->block, false);
  routine->block->body = ParseCompound();
  loopDepth_ = outerLoops;
  typeScopes_.pop_back();
  ExpectSymbol(";");
  routine->defined = true;
}

namespace {

bool SameType(const TTypeRef& a, const TTypeRef& b) {
  if (!a || !b) return !a && !b;
  return a->kind == b->kind && a->name == b->name && (a->kind != TTypeSpec::TKind::kEnum || a == b);
}

bool SameSignature(const TRoutine& a, const TRoutine& b) {
  if (a.params.size() != b.params.size() || !SameType(a.result, b.result)) return false;
  for (size_t i = 0; i < a.params.size(); ++i)
    if (a.params[i].mode != b.params[i].mode || !SameType(a.params[i].type, b.params[i].type)) return false;
  return true;
}

}  // namespace

std::shared_ptr<TRoutine> TParser::DeclareRoutine(TBlock& block, const std::shared_ptr<TRoutine>& heading,
                                                  bool hasHeading) {
  auto duplicate = [&] {
    throw TScriptError(TErrorCode::kSyntax, "Duplicate identifier \"" + heading->name + "\"", heading->line,
                       heading->column);
  };
  auto found = block.routines.find(heading->name);
  if (found == block.routines.end()) {
    block.routines[heading->name] = heading;
    return heading;
  }
  std::shared_ptr<TRoutine> first = found->second;
  if (!hasHeading) {
    if (first->defined || first->nextOverload) duplicate();
    return first;
  }
  std::shared_ptr<TRoutine> last;
  for (auto routine = first; routine; routine = routine->nextOverload) {
    last = routine;
    if (!SameSignature(*routine, *heading)) continue;
    if (routine->defined) duplicate();
    // The implementation's heading names the parameters its body uses; defaults may stay in the declaration.
    for (size_t i = 0; i < heading->params.size(); ++i)
      if (!heading->params[i].defaultValue) heading->params[i].defaultValue = routine->params[i].defaultValue;
    routine->params = heading->params;
    routine->result = heading->result;
    routine->line = heading->line;
    routine->column = heading->column;
    routine->overloaded = routine->overloaded || heading->overloaded;
    return routine;
  }
  if (!heading->overloaded && !first->overloaded) duplicate();
  last->nextOverload = heading;
  return heading;
}

TNodePtr TParser::ParseCompound() {
  ExpectKeyword("begin");
  auto node = ParseStatementList("end");
  ExpectKeyword("end");
  return node;
}

TNodePtr TParser::ParseStatementList(const char* endKeyword, const char* otherEnd) {
  auto list = MakeNode(TNodeKind::kCompound);
  auto atEnd = [&] { return IsKeyword(endKeyword) || (otherEnd && IsKeyword(otherEnd)); };
  for (;;) {
    if (atEnd()) break;
    list->kids.push_back(ParseStatement());
    if (!AcceptSymbol(";")) break;
  }
  if (!atEnd()) Fail(std::string("\"") + endKeyword + "\" expected but " + Describe(Current()) + " found");
  return list;
}

TNodePtr TParser::ParseStatement() {
  TDepthGuard guard(*this);
  const TToken& token = Current();
  if (token.kind == TTokenKind::kIdentifier) {
    const std::string& word = token.text;
    if (word == "begin") return ParseCompound();
    if (word == "if") return ParseIf();
    if (word == "case") return ParseCase();
    if (word == "for") return ParseFor();
    if (word == "try") return ParseTry();
    if (word == "while") {
      auto node = MakeNode(TNodeKind::kWhile);
      ++pos_;
      node->kids.push_back(ParseExpression());
      ExpectKeyword("do");
      ++loopDepth_;
      node->kids.push_back(ParseStatement());
      --loopDepth_;
      return node;
    }
    if (word == "repeat") {
      auto node = MakeNode(TNodeKind::kRepeat);
      ++pos_;
      ++loopDepth_;
      node->kids.push_back(ParseStatementList("until"));
      --loopDepth_;
      ExpectKeyword("until");
      node->kids.push_back(ParseExpression());
      return node;
    }
    if (word == "break" || word == "continue") {
      auto node = MakeNode(word == "break" ? TNodeKind::kBreak : TNodeKind::kContinue);
      if (loopDepth_ == 0) Fail(std::string(word == "break" ? "Break" : "Continue") + " outside a loop");
      ++pos_;
      return node;
    }
    if (word == "exit") {
      auto node = MakeNode(TNodeKind::kExit);
      ++pos_;
      if (AcceptSymbol("(")) {
        if (!IsSymbol(")")) node->kids.push_back(ParseExpression());
        ExpectSymbol(")");
      }
      return node;
    }
    if (word == "with") {
      auto node = MakeNode(TNodeKind::kWith);
      ++pos_;
      do node->kids.push_back(ParseExpression());
      while (AcceptSymbol(","));
      ExpectKeyword("do");
      node->kids.push_back(ParseStatement());
      return node;
    }
    if (word == "raise") {
      auto node = MakeNode(TNodeKind::kRaise);
      ++pos_;
      if (!IsSymbol(";") && !IsKeyword("end") && !IsKeyword("else") && !IsKeyword("until") && !IsKeyword("except") && !IsKeyword("finally"))
        node->kids.push_back(ParseExpression());
      return node;
    }
    if (IsReserved(word) && word != "on")
      return MakeNode(TNodeKind::kEmpty);  // an empty statement before end, else, until...
  } else if (IsSymbol(";")) {
    return MakeNode(TNodeKind::kEmpty);
  } else if (token.kind == TTokenKind::kEnd) {
    Fail("Unexpected end of file");
  }
  auto start = MakeNode(TNodeKind::kAssign);
  auto target = ParseSimple();
  if (AcceptSymbol(":=")) {
    start->kids.push_back(std::move(target));
    start->kids.push_back(ParseExpression());
    return start;
  }
  auto call = MakeNode(TNodeKind::kCallStmt);
  call->line = start->line;
  call->column = start->column;
  call->kids.push_back(std::move(target));
  return call;
}

TNodePtr TParser::ParseIf() {
  auto node = MakeNode(TNodeKind::kIf);
  ++pos_;
  node->kids.push_back(ParseExpression());
  ExpectKeyword("then");
  node->kids.push_back(ParseStatement());
  if (AcceptKeyword("else")) node->kids.push_back(ParseStatement());
  return node;
}

TNodePtr TParser::ParseCase() {
  auto node = MakeNode(TNodeKind::kCase);
  ++pos_;
  node->kids.push_back(ParseExpression());
  ExpectKeyword("of");
  while (!IsKeyword("else") && !IsKeyword("otherwise") && !IsKeyword("end")) {
    auto arm = MakeNode(TNodeKind::kCaseArm);
    auto labels = MakeNode(TNodeKind::kSetLit);
    do {
      labels->kids.push_back(ParseExpressionOrRange());
    } while (AcceptSymbol(","));
    ExpectSymbol(":");
    arm->kids.push_back(std::move(labels));
    arm->kids.push_back(ParseStatement());
    node->kids.push_back(std::move(arm));
    if (!AcceptSymbol(";")) break;
  }
  if (AcceptKeyword("else") || AcceptKeyword("otherwise")) {
    auto elsePart = ParseStatementList("end");
    elsePart->flag = true;
    node->kids.push_back(std::move(elsePart));
  }
  ExpectKeyword("end");
  return node;
}

TNodePtr TParser::ParseFor() {
  auto node = MakeNode(TNodeKind::kFor);
  ++pos_;
  auto variable = MakeNode(TNodeKind::kName);
  variable->text = ExpectIdentifier();
  node->kids.push_back(std::move(variable));
  ExpectSymbol(":=");
  node->kids.push_back(ParseExpression());
  if (AcceptKeyword("downto")) node->flag = true;
  else ExpectKeyword("to");
  node->kids.push_back(ParseExpression());
  ExpectKeyword("do");
  ++loopDepth_;
  node->kids.push_back(ParseStatement());
  --loopDepth_;
  return node;
}

TNodePtr TParser::ParseTry() {
  auto start = MakeNode(TNodeKind::kTryExcept);
  ++pos_;
  auto body = ParseStatementList("except", "finally");
  TNodePtr node;
  if (AcceptKeyword("finally")) {
    node = std::move(start);
    node->kind = TNodeKind::kTryFinally;
    node->kids.push_back(std::move(body));
    node->kids.push_back(ParseStatementList("end"));
  } else {
    ExpectKeyword("except");
    node = std::move(start);
    node->kids.push_back(std::move(body));
    if (IsKeyword("on")) {
      while (IsKeyword("on")) {
        auto handler = MakeNode(TNodeKind::kOnHandler);
        ++pos_;
        std::string first = ExpectIdentifier();
        if (AcceptSymbol(":")) {
          handler->text = first;  // the variable
          handler->type = std::make_shared<TTypeSpec>();
          handler->type->name = ExpectIdentifier();
        } else {
          handler->type = std::make_shared<TTypeSpec>();
          handler->type->name = first;
        }
        ExpectKeyword("do");
        handler->kids.push_back(ParseStatement());
        node->kids.push_back(std::move(handler));
        if (!AcceptSymbol(";")) break;
      }
      if (AcceptKeyword("else")) {
        auto elsePart = ParseStatementList("end");
        elsePart->flag = true;
        node->kids.push_back(std::move(elsePart));
      }
    } else {
      auto all = ParseStatementList("end");
      all->flag = true;
      node->kids.push_back(std::move(all));
    }
  }
  ExpectKeyword("end");
  return node;
}

TNodePtr TParser::ParseExpressionOrRange() {
  auto expression = ParseExpression();
  if (!IsSymbol("..")) return expression;
  auto range = MakeNode(TNodeKind::kRange);
  ++pos_;
  range->kids.push_back(std::move(expression));
  range->kids.push_back(ParseExpression());
  return range;
}

TNodePtr TParser::ParseExpression() {
  TDepthGuard guard(*this);
  auto left = ParseSimple();
  static const char* kRelations[] = {"=", "<>", "<", ">", "<=", ">="};
  for (const char* relation : kRelations) {
    if (IsSymbol(relation)) {
      auto node = MakeNode(TNodeKind::kBinary);
      node->text = relation;
      ++pos_;
      node->kids.push_back(std::move(left));
      node->kids.push_back(ParseSimple());
      return node;
    }
  }
  if (IsKeyword("in")) {
    auto node = MakeNode(TNodeKind::kBinary);
    node->text = "in";
    ++pos_;
    node->kids.push_back(std::move(left));
    node->kids.push_back(ParseSimple());
    return node;
  }
  return left;
}

TNodePtr TParser::ParseSimple() {
  // A leading sign belongs to the first factor, as in Free Pascal: -1 shr 1 is (-1) shr 1.
  TNodePtr left = ParseTerm();
  while (IsSymbol("+") || IsSymbol("-") || IsKeyword("or") || IsKeyword("xor")) {
    auto node = MakeNode(TNodeKind::kBinary);
    node->text = Current().text;
    ++pos_;
    node->kids.push_back(std::move(left));
    node->kids.push_back(ParseTerm());
    left = std::move(node);
  }
  return left;
}

TNodePtr TParser::ParseTerm() {
  auto left = ParseFactor();
  while (IsSymbol("*") || IsSymbol("/") || IsKeyword("div") || IsKeyword("mod") || IsKeyword("and") ||
         IsKeyword("shl") || IsKeyword("shr")) {
    auto node = MakeNode(TNodeKind::kBinary);
    node->text = Current().text;
    ++pos_;
    node->kids.push_back(std::move(left));
    node->kids.push_back(ParseFactor());
    left = std::move(node);
  }
  return left;
}

TNodePtr TParser::ParseFactor() {
  TDepthGuard guard(*this);
  const TToken& token = Current();
  TNodePtr node;
  switch (token.kind) {
    case TTokenKind::kInteger:
      node = MakeNode(TNodeKind::kIntLit);
      node->integer = token.integer;
      ++pos_;
      return node;
    case TTokenKind::kReal:
      node = MakeNode(TNodeKind::kRealLit);
      node->real = token.real;
      ++pos_;
      return node;
    case TTokenKind::kString:
      node = MakeNode(TNodeKind::kStrLit);
      node->text = token.text;
      ++pos_;
      return ParsePostfix(std::move(node));
    case TTokenKind::kEnd:
      Fail("Unexpected end of file");
    default:
      break;
  }
  if (IsSymbol("(")) {
    ++pos_;
    node = ParseExpression();
    ExpectSymbol(")");
    return ParsePostfix(std::move(node));
  }
  if (IsSymbol("[")) {
    node = MakeNode(TNodeKind::kSetLit);
    ++pos_;
    if (!IsSymbol("]")) {
      do {
        node->kids.push_back(ParseExpressionOrRange());
      } while (AcceptSymbol(","));
    }
    ExpectSymbol("]");
    return node;
  }
  if (IsKeyword("not")) {
    node = MakeNode(TNodeKind::kUnary);
    node->text = "not";
    ++pos_;
    node->kids.push_back(ParseFactor());
    return node;
  }
  if (IsSymbol("-") || IsSymbol("+")) {
    node = MakeNode(TNodeKind::kUnary);
    node->text = Current().text;
    ++pos_;
    node->kids.push_back(ParseFactor());
    return node;
  }
  if (IsKeyword("nil")) {
    node = MakeNode(TNodeKind::kNil);
    ++pos_;
    return node;
  }
  if (token.kind == TTokenKind::kIdentifier && !IsReserved(token.text)) {
    node = MakeNode(TNodeKind::kName);
    node->text = token.text;
    node->original = token.original;
    if (TTypeRef named = NamedType(node->text); named && named->kind == TTypeSpec::TKind::kEnum) node->type = named;
    ++pos_;
    if (IsSymbol("(")) {
      node->kind = TNodeKind::kCall;
      ++pos_;
      node->kids = ParseArguments(")");
    }
    return ParsePostfix(std::move(node));
  }
  Fail("Illegal expression: " + Describe(token) + " found");
}

std::vector<TNodePtr> TParser::ParseArguments(const char* close) {
  std::vector<TNodePtr> args;
  if (AcceptSymbol(close)) return args;
  do {
    args.push_back(ParseExpression());
    // Write/WriteLn width and decimals: value:width:decimals.
    while (IsSymbol(":")) {
      auto formatted = MakeNode(TNodeKind::kRange);
      formatted->text = ":";
      ++pos_;
      formatted->kids.push_back(std::move(args.back()));
      formatted->kids.push_back(ParseExpression());
      args.back() = std::move(formatted);
    }
  } while (AcceptSymbol(","));
  ExpectSymbol(close);
  return args;
}

TNodePtr TParser::ParsePostfix(TNodePtr base) {
  for (;;) {
    if (IsSymbol("[")) {
      auto node = MakeNode(TNodeKind::kIndex);
      ++pos_;
      node->kids.push_back(std::move(base));
      auto indices = ParseArguments("]");
      if (indices.empty()) Fail("Index expected");
      // a[i, j] is a[i][j].
      for (size_t i = 0; i < indices.size(); ++i) {
        if (i > 0) {
          auto outer = std::make_unique<TNode>();
          outer->kind = TNodeKind::kIndex;
          outer->line = node->line;
          outer->column = node->column;
          outer->kids.push_back(std::move(node));
          node = std::move(outer);
        }
        node->kids.push_back(std::move(indices[i]));
      }
      base = std::move(node);
    } else if (IsSymbol(".") && PeekToken().kind == TTokenKind::kIdentifier) {
      ++pos_;
      auto node = MakeNode(TNodeKind::kField);  // errors about a member point at its name
      node->text = Current().text;
      node->original = Current().original;
      ++pos_;
      node->kids.push_back(std::move(base));
      if (AcceptSymbol("(")) {
        node->flag = true;
        for (auto& arg : ParseArguments(")")) node->kids.push_back(std::move(arg));
      }
      if (node->kids[0]->kind == TNodeKind::kName && unitNames_.count(node->kids[0]->text)) {
        node->unqualified = Clone(*node);
        node->unqualified->kind = node->flag ? TNodeKind::kCall : TNodeKind::kName;
        node->unqualified->flag = false;
        node->unqualified->kids.erase(node->unqualified->kids.begin());
        if (TTypeRef named = NamedType(node->text); named && named->kind == TTypeSpec::TKind::kEnum)
          node->unqualified->type = named;
      }
      base = std::move(node);
    } else if (IsSymbol("^")) {
      Fail("Pointers are not supported");
    } else {
      return base;
    }
  }
}

}  // namespace varnelo::pascal
