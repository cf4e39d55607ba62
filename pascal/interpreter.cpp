#include "pascal/interpreter.h"

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <unordered_set>

#include "pascal/builtin_support.h"
#include "pascal/builtins.h"
#include "pascal/lexer.h"
#include "pascal/library_classes.h"
#include "pascal/native_object.h"
#include "pascal/parser.h"
#include "pascal/text_file.h"
#include "pascal/text_format.h"

namespace varnelo::pascal {

namespace {

using K = TTypeSpec::TKind;

constexpr size_t kStackReserve = 512 * 1024;
constexpr size_t kStackFallback = 1024 * 1024;
constexpr int kMaxUnitNesting = 16;
// Bounds what one SetLength may allocate, so a typo cannot exhaust memory.
constexpr int64_t kMaxArrayLength = 1'000'000;
// Strings that outgrow this end the run with an error instead of exhausting memory.
constexpr size_t kMaxStringLength = 64 * 1024 * 1024;
constexpr const char* kOutOfMemory = "Out of memory";

const char* const kProvidedUnits[] = {"system", "sysutils", "classes", "strutils", "math",  "dialogs",
                                      "db",     "variants", "types",   "sqldb",    "sqlite3conn"};

int64_t Wrap(uint64_t value) { return static_cast<int64_t>(value); }

const TTypeRef& VariantType() {
  static const TTypeRef type = [] {
    auto t = std::make_shared<TTypeSpec>();
    t->kind = K::kVariant;
    t->name = "variant";
    return t;
  }();
  return type;
}

// Declared types belong to the program's tree, which outlives every frame of the run: frames refer to them
// without counting references, which every call would otherwise pay for.
TTypeRef TreeType(const TTypeRef& type) { return TTypeRef(TTypeRef(), type.get()); }

std::string KindName(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kEmpty: return "Empty";
    case TValueKind::kNull: return "Null";
    case TValueKind::kInteger: return "Int64";
    case TValueKind::kFloat: return "Double";
    case TValueKind::kString: return value.AsString().size() == 1 ? "Char" : "String";
    case TValueKind::kBoolean: return "Boolean";
    case TValueKind::kObject: return "Object";
    case TValueKind::kSet: return "Set";
    case TValueKind::kArray: return "Array";
    case TValueKind::kRecord: return "Record";
  }
  return "?";
}

TValue MakeException(const std::string& className, const std::string& message) {
  auto object = std::make_shared<TObjectData>();
  object->className = className;
  object->properties["message"] = TValue::String(message);
  return TValue::Object(object);
}

// An operator's or routine's spelling, tested against literals with an inlined comparison of known length.
struct TSpelling {
  std::string_view text;
  template <size_t N>
  bool operator==(const char (&literal)[N]) const {
    return text.size() == N - 1 && std::memcmp(text.data(), literal, N - 1) == 0;
  }
};

enum class TOp { kEq, kNe, kLt, kGt, kLe, kGe, kIn, kAdd, kSub, kMul, kSlash, kDiv, kMod, kShl, kShr, kAnd, kOr, kXor, kOther };

// A binary operator's spelling is read once per node, not at every evaluation.
TOp OperatorOf(const TNode& node) {
  if (node.opcode < 0) {
    static const std::pair<const char*, TOp> kSpellings[] = {
        {"=", TOp::kEq},    {"<>", TOp::kNe},   {"<", TOp::kLt},    {">", TOp::kGt},     {"<=", TOp::kLe},
        {">=", TOp::kGe},   {"in", TOp::kIn},   {"+", TOp::kAdd},   {"-", TOp::kSub},    {"*", TOp::kMul},
        {"/", TOp::kSlash}, {"div", TOp::kDiv}, {"mod", TOp::kMod}, {"shl", TOp::kShl},  {"shr", TOp::kShr},
        {"and", TOp::kAnd}, {"or", TOp::kOr},   {"xor", TOp::kXor}};
    node.opcode = static_cast<int>(TOp::kOther);
    for (const auto& [spelling, op] : kSpellings)
      if (node.text == spelling) node.opcode = static_cast<int>(op);
  }
  return static_cast<TOp>(node.opcode);
}

bool IsExceptionClassName(const std::string& lowerName) {
  return lowerName == "exception" || (lowerName.size() > 1 && lowerName[0] == 'e');
}

}  // namespace

// A scope's variables in declaration order. Scopes hold a handful of names, so a scan over their numbers
// beats hashing the name's text at every access.
struct TInterpreter::TFrame {
  struct TSlot {
    int symbol;
    bool isConst;
    TLvalue lvalue;
  };
  std::vector<TSlot> vars;
  // Calls reuse the storage of earlier frames' slots, and their cells, instead of allocating them every time.
  struct TSlotStore {
    std::vector<TSlot>& slots;
    std::vector<TCell>& spareCells;
    TSlotStore(std::vector<TSlot>& frameSlots, std::vector<TCell>& cells) : slots(frameSlots), spareCells(cells) {
      if (!Spare().empty()) {
        slots = std::move(Spare().back());
        Spare().pop_back();
      }
    }
    TSlotStore(const TSlotStore&) = delete;
    TSlotStore& operator=(const TSlotStore&) = delete;
    ~TSlotStore() {
      for (TSlot& slot : slots) {
        // A cell only this frame refers to (no var parameter, with or loop holds it) can serve the next call;
        // its value goes now, as it would with the cell.
        if (slot.lvalue.cell.use_count() == 1 && spareCells.size() < kMaxSpareCells) {
          *slot.lvalue.cell = TValue();
          spareCells.push_back(std::move(slot.lvalue.cell));
        }
      }
      slots.clear();
      if (Spare().size() < kMaxSpare) Spare().push_back(std::move(slots));
    }
    static constexpr size_t kMaxSpare = 64;
    static constexpr size_t kMaxSpareCells = 1024;
    static std::vector<std::vector<TSlot>>& Spare() {
      thread_local std::vector<std::vector<TSlot>> spare;
      return spare;
    }
  };
  TSlot* Find(int symbol) {
    for (TSlot& slot : vars)
      if (slot.symbol == symbol) return &slot;
    return nullptr;
  }
  // Declaring a name again replaces it where it stands.
  void Declare(int symbol, TLvalue lvalue, bool isConst) {
    if (TSlot* slot = Find(symbol)) {
      slot->lvalue = std::move(lvalue);
      slot->isConst = isConst;
    } else {
      vars.push_back(TSlot{symbol, isConst, std::move(lvalue)});
    }
  }
  const TBlock* block = nullptr;
  TFrame* parent = nullptr;
  const TRoutine* routine = nullptr;
  // Set once the frame is complete and its parents have a layout: frames with the same layout have the same
  // names in the same slots all along their chain (the frames of one routine, block or handler), so a node can
  // keep where it found a name. Null where that does not hold (with scopes, frames being entered).
  const void* layout = nullptr;
  // The scope of a with statement: names resolve to the subject's members first.
  bool isWith = false;
  TLvalue withSubject;
};

struct TInterpreter::TRaised {
  TValue object;
  int line;
  int column;
};

TInterpreter::TInterpreter(TInterpreterHost host) : host_(std::move(host)) {}

TInterpreter::~TInterpreter() = default;

void TInterpreter::Fail(TErrorCode code, const std::string& text, const TNode& at, bool catchable) const {
  throw TScriptError(code, text, at.line, at.column, catchable);
}

TValue TInterpreter::Run(std::string_view source) {
  const TBudgetScope budget(memoryLimit_);
  try {
    return RunProgram(source);
  } catch (const std::bad_alloc&) {
    // Spent outside any statement (declarations of the program or of a unit).
    throw TScriptError(TErrorCode::kOutOfMemory, kOutOfMemory, 0, 0);
  }
}

TValue TInterpreter::RunProgram(std::string_view source) {
  callDepth_ = 0;
  unitFrames_.clear();
  programs_.clear();
  loadedUnits_.clear();
  handling_.clear();
  current_ = nullptr;

  // Deep recursion must end in an error, so watch how much of this thread's stack is left.
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  stackLimit_ = here - std::min<size_t>(kStackFallback, reinterpret_cast<uintptr_t>(here));
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    void* address = nullptr;
    size_t size = 0;
    if (pthread_attr_getstack(&attributes, &address, &size) == 0 && size > 2 * kStackReserve)
      stackLimit_ = static_cast<const char*>(address) + kStackReserve;
    pthread_attr_destroy(&attributes);
  }

  TParser parser(TLexer(source).Tokenize());
  programs_.push_back(parser.ParseProgram());
  // Loading units grows programs_, so hold on to the program's parts rather than to the element.
  std::shared_ptr<TBlock> block = programs_.back().block;
  auto uses = programs_.back().uses;
  auto spelled = programs_.back().usesSpelled;
  auto positions = programs_.back().usesPositions;
  for (size_t i = 0; i < uses.size(); ++i) LoadUnit(uses[i], spelled[i], positions[i].first, positions[i].second, 0);

  // Files and other resources the units' variables hold are released when the run ends.
  struct TReleaseUnits {
    std::vector<std::unique_ptr<TFrame>>& frames;
    ~TReleaseUnits() { frames.clear(); }
  } releaseUnits{unitFrames_};
  TFrame root;
  root.block = block.get();
  auto result = std::make_shared<TValue>();
  root.Declare(resultSymbol_, TLvalue{result, VariantType()}, false);
  current_ = &root;
  try {
    EnterBlock(root, *block);
    root.layout = block.get();
    Execute(*block->body);
  } catch (const TRaised& raised) {
    current_ = nullptr;
    std::string message;
    std::string className = "Exception";
    if (raised.object.AsObject()) {
      className = raised.object.AsObject()->className;
      auto found = raised.object.AsObject()->properties.find("message");
      if (found != raised.object.AsObject()->properties.end()) message = found->second.AsString();
    }
    throw TScriptError(TErrorCode::kUnhandledException, "Exception class " + className + ": " + message, raised.line,
                       raised.column);
  } catch (...) {
    current_ = nullptr;
    throw;
  }
  current_ = nullptr;
  // A `var Result` of the program's own replaces the implicit one.
  return *root.Find(resultSymbol_)->lvalue.cell;
}

void TInterpreter::LoadUnit(const std::string& name, const std::string& spelled, int line, int column, int nesting) {
  for (const char* provided : kProvidedUnits)
    if (name == provided) return;
  if (std::find(loadedUnits_.begin(), loadedUnits_.end(), name) != loadedUnits_.end()) return;
  if (nesting > kMaxUnitNesting) throw TScriptError(TErrorCode::kUnitNotFound, "Units nested too deeply", line, column);
  std::optional<std::string> source;
  if (host_.unitSource) source = host_.unitSource(spelled);
  if (!source) throw TScriptError(TErrorCode::kUnitNotFound, "Can't find unit " + spelled, line, column);
  loadedUnits_.push_back(name);
  TParser parser(TLexer(*source).Tokenize());
  programs_.push_back(parser.ParseUnit());
  // The vector may grow while the unit's own units load, so keep the tree by its shared block.
  auto block = programs_.back().block;
  auto uses = programs_.back().uses;
  auto usesSpelled = programs_.back().usesSpelled;
  auto positions = programs_.back().usesPositions;
  for (size_t i = 0; i < uses.size(); ++i)
    LoadUnit(uses[i], usesSpelled[i], positions[i].first, positions[i].second, nesting + 1);
  auto frame = std::make_unique<TFrame>();
  frame->block = block.get();
  TFrame* saved = current_;
  current_ = frame.get();
  unitFrames_.push_back(std::move(frame));
  try {
    EnterBlock(*current_, *block);
    current_->layout = block.get();
    if (block->body) Execute(*block->body);
  } catch (...) {
    current_ = saved;
    throw;
  }
  current_ = saved;
}

TValue TInterpreter::DefaultValue(const TTypeRef& type) const {
  switch (type->kind) {
    case K::kInteger: case K::kInt64: case K::kByte: case K::kWord: case K::kCardinal: case K::kSmallInt:
    case K::kShortInt:
      return TValue::Integer(0);
    case K::kEnum: return TValue::Enumerated(0, type->enumNames);
    case K::kTextFile: {
      auto object = std::make_shared<TObjectData>();
      object->native = std::make_shared<TTextFile>();
      object->className = object->native->ClassName();
      return TValue::Object(object);
    }
    case K::kDouble: return TValue::Float(0);
    case K::kString: return TValue::String("");
    case K::kChar: return TValue::String(std::string(1, '\0'));
    case K::kBoolean: return TValue::Boolean(false);
    case K::kSet: return TValue::Set({});
    case K::kObject: return TValue::Object(nullptr);
    case K::kDynArray: return TValue::Array(std::make_shared<TArrayData>(), true);
    case K::kStaticArray: {
      auto array = std::make_shared<TArrayData>();
      array->low = type->low;
      memory_budget::Ensure(CellsBytes(type->high - type->low + 1));
      for (int64_t i = type->low; i <= type->high; ++i) array->items.push_back(std::make_shared<TValue>(DefaultValue(type->element)));
      return TValue::Array(array, false);
    }
    case K::kRecord: {
      auto record = std::make_shared<TRecordData>();
      for (const auto& [name, fieldType] : type->fields) record->fields.emplace_back(name, std::make_shared<TValue>(DefaultValue(fieldType)));
      return TValue::Record(record);
    }
    case K::kVariant: return TValue();
  }
  return TValue();
}

TValue TInterpreter::Coerce(const TValue& value, const TTypeRef& type, const TNode& at) const {
  auto mismatch = [&](const std::string& expected) {
    Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(value) + "\" expected \"" + expected + "\"", at);
  };
  auto integer = [&]() -> uint64_t {
    if (value.Kind() != TValueKind::kInteger) mismatch(type->name);
    return static_cast<uint64_t>(value.AsInteger());
  };
  switch (type->kind) {
    case K::kInteger: return TValue::Integer(static_cast<int32_t>(static_cast<uint32_t>(integer())));
    case K::kInt64: return TValue::Integer(Wrap(integer()));
    case K::kEnum: return TValue::Enumerated(Wrap(integer()), type->enumNames);
    case K::kTextFile:
      if (!AsTextFile(value)) mismatch("Text");
      return value;
    case K::kByte: return TValue::Integer(static_cast<uint8_t>(integer()));
    case K::kWord: return TValue::Integer(static_cast<uint16_t>(integer()));
    case K::kCardinal: return TValue::Integer(static_cast<uint32_t>(integer()));
    case K::kSmallInt: return TValue::Integer(static_cast<int16_t>(static_cast<uint16_t>(integer())));
    case K::kShortInt: return TValue::Integer(static_cast<int8_t>(static_cast<uint8_t>(integer())));
    case K::kDouble:
      if (!value.IsNumeric()) mismatch("Double");
      return TValue::Float(value.AsFloat());
    case K::kString:
      if (value.Kind() != TValueKind::kString) mismatch("String");
      return value;
    case K::kChar:
      if (value.Kind() != TValueKind::kString || value.AsString().size() != 1) mismatch("Char");
      return value;
    case K::kBoolean:
      if (value.Kind() != TValueKind::kBoolean) mismatch("Boolean");
      return value;
    case K::kSet:
      if (value.Kind() != TValueKind::kSet) mismatch("Set");
      return value;
    case K::kObject:
      if (value.Kind() == TValueKind::kNull) return TValue::Object(nullptr);
      if (value.Kind() != TValueKind::kObject) mismatch("TObject");
      return value;
    case K::kStaticArray: case K::kDynArray:
      if (value.Kind() != TValueKind::kArray) mismatch("Array");
      if (type->kind == K::kStaticArray &&
          static_cast<int64_t>(value.AsArray()->items.size()) != type->high - type->low + 1)
        mismatch("Array");
      return value.DeepCopy();
    case K::kRecord:
      if (value.Kind() != TValueKind::kRecord || value.AsRecord()->fields.size() != type->fields.size()) mismatch("Record");
      return value.DeepCopy();
    case K::kVariant: return value.DeepCopy();
  }
  return value;
}

TValue TInterpreter::CoerceTemporary(TValue&& value, const TTypeRef& type, const TNode& at) const {
  // The common cases, where Coerce would only copy the value, keep it as it is.
  switch (value.Kind()) {
    case TValueKind::kInteger:
      if (!value.EnumNames() && (type->kind == K::kInt64 || (type->kind == K::kInteger &&
                                                              value.AsInteger() == static_cast<int32_t>(value.AsInteger()))))
        return std::move(value);
      break;
    case TValueKind::kString:
      if (type->kind == K::kString) return std::move(value);
      break;
    case TValueKind::kFloat:
      if (type->kind == K::kDouble) return std::move(value);
      break;
    case TValueKind::kBoolean:
      if (type->kind == K::kBoolean) return std::move(value);
      break;
    default: break;
  }
  return Coerce(value, type, at);
}

void TInterpreter::EnterBlock(TFrame& frame, const TBlock& block) {
  for (const auto& decl : block.consts) {
    TValue value = Evaluate(*decl.value);
    if (decl.type) value = Coerce(value, decl.type, *decl.value);
    if (decl.symbol < 0) decl.symbol = Symbol(decl.name);
    frame.Declare(decl.symbol, TLvalue{NewCell(std::move(value)), TreeType(decl.type ? decl.type : VariantType())}, true);
  }
  for (const auto& decl : block.vars) {
    TValue value = DefaultValue(decl.type);
    if (decl.initial) value = Coerce(Evaluate(*decl.initial), decl.type, *decl.initial);
    if (decl.symbol < 0) decl.symbol = Symbol(decl.name);
    frame.Declare(decl.symbol, TLvalue{NewCell(std::move(value)), TreeType(decl.type)}, false);
  }
}

void TInterpreter::CheckStack(const TNode& at) {
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  if (here < stackLimit_) Fail(TErrorCode::kStackOverflow, "Stack overflow", at);
}

int TInterpreter::Symbol(const std::string& name) {
  return symbols_.try_emplace(name, static_cast<int>(symbols_.size())).first->second;
}

int TInterpreter::SymbolOf(const TNode& node) {
  if (node.symbol < 0) node.symbol = Symbol(node.text);
  return node.symbol;
}

TInterpreter::TLvalue* TInterpreter::FindVariable(const std::string& name) {
  // A name never numbered was never declared.
  auto known = symbols_.find(name);
  return known == symbols_.end() ? nullptr : FindVariable(known->second);
}

TInterpreter::TLvalue* TInterpreter::FindVariable(int symbol) {
  for (TFrame* frame = current_; frame; frame = frame->parent)
    if (TFrame::TSlot* slot = frame->Find(symbol)) return &slot->lvalue;
  for (auto& frame : unitFrames_)
    if (TFrame::TSlot* slot = frame->Find(symbol)) return &slot->lvalue;
  return nullptr;
}

TInterpreter::TLvalue* TInterpreter::ChainVariable(const TNode& node, bool* isConst, bool* hidden) {
  if (!current_) return nullptr;
  const void* layout = current_->layout;
  if (layout && node.slotLayout == layout) {
    TFrame* frame = current_;
    for (int depth = node.slotDepth; depth > 0; --depth) frame = frame->parent;
    TFrame::TSlot& slot = frame->vars[node.slotIndex];
    if (isConst) *isConst = slot.isConst;
    if (hidden) *hidden = node.slotHidden;
    return &slot.lvalue;
  }
  int symbol = SymbolOf(node);
  bool behindFunction = false;
  int depth = 0;
  for (TFrame* frame = current_; frame; frame = frame->parent, ++depth) {
    if (TFrame::TSlot* slot = frame->Find(symbol)) {
      if (layout) {
        node.slotLayout = layout;
        node.slotDepth = depth;
        node.slotIndex = static_cast<int>(slot - frame->vars.data());
        node.slotHidden = behindFunction;
      }
      if (isConst) *isConst = slot->isConst;
      if (hidden) *hidden = behindFunction;
      return &slot->lvalue;
    }
    if (frame->routine && frame->routine->result && frame->routine->name == node.text) behindFunction = true;
  }
  return nullptr;
}

TCell TInterpreter::NewCell(TValue value) {
  if (spareCells_.empty()) return std::make_shared<TValue>(std::move(value));
  TCell cell = std::move(spareCells_.back());
  spareCells_.pop_back();
  *cell = std::move(value);
  return cell;
}

const TRoutine* TInterpreter::RoutineOfCall(const TNode& node, TFrame*& frame) {
  const void* layout = current_ ? current_->layout : nullptr;
  if (layout && node.callLayout == layout && node.callUnits == unitFrames_.size() &&
      node.callKind != TNode::TCallKind::kUnknown) {
    if (node.callKind != TNode::TCallKind::kRoutine) return nullptr;
    if (node.callDepth < 0) {
      frame = static_cast<TFrame*>(node.callFrame);
    } else {
      frame = current_;
      for (int depth = node.callDepth; depth > 0; --depth) frame = frame->parent;
    }
    return static_cast<const TRoutine*>(node.callTarget);
  }
  auto [routine, found] = FindRoutine(node.text);
  frame = found;
  if (layout) {
    node.callLayout = layout;
    node.callUnits = unitFrames_.size();
    node.callKind = TNode::TCallKind::kUnknown;  // what is not a routine is decided by the caller
    if (routine) {
      node.callKind = TNode::TCallKind::kRoutine;
      node.callTarget = routine;
      node.callDepth = -1;
      node.callFrame = found;
      int depth = 0;
      for (TFrame* chain = current_; chain; chain = chain->parent, ++depth)
        if (chain == found) node.callDepth = depth;
    }
  }
  return routine;
}

std::pair<const TRoutine*, TInterpreter::TFrame*> TInterpreter::FindRoutine(const std::string& name) {
  for (TFrame* frame = current_; frame; frame = frame->parent) {
    if (!frame->block) continue;
    auto found = frame->block->routines.find(name);
    if (found != frame->block->routines.end()) return {found->second.get(), frame};
  }
  for (auto& frame : unitFrames_) {
    auto found = frame->block->routines.find(name);
    if (found != frame->block->routines.end()) return {found->second.get(), frame.get()};
  }
  return {nullptr, nullptr};
}

TInterpreter::TFlow TInterpreter::Execute(const TNode& node) {
  CheckStack(node);
  TFlow flow;
  try {
    flow = ExecuteStatement(node);
  } catch (const std::bad_alloc&) {
    Fail(TErrorCode::kOutOfMemory, kOutOfMemory, node, true);
  }
  if (host_.afterStatement && !host_.afterStatement()) Fail(TErrorCode::kStopped, "stopped", node);
  if (host_.stopRequested && host_.stopRequested()) Fail(TErrorCode::kStopped, "stopped", node);
  return flow;
}

TInterpreter::TFlow TInterpreter::ExecuteStatement(const TNode& node) {
  switch (node.kind) {
    case TNodeKind::kEmpty: return TFlow::kNormal;
    case TNodeKind::kCompound:
      for (const auto& statement : node.kids) {
        TFlow flow = Execute(*statement);
        if (flow != TFlow::kNormal) return flow;
      }
      return TFlow::kNormal;
    case TNodeKind::kAssign: ExecuteAssign(node); return TFlow::kNormal;
    case TNodeKind::kCallStmt: {
      const TNode& call = UnqualifiedName(*node.kids[0]) ? *UnqualifiedName(*node.kids[0]) : *node.kids[0];
      if (call.kind == TNodeKind::kName) EvaluateName(call, true);
      else if (call.kind == TNodeKind::kCall) EvaluateCall(call, true);
      else if (call.kind == TNodeKind::kField) EvaluateField(call);
      else Fail(TErrorCode::kSyntax, "Illegal expression", call);
      return TFlow::kNormal;
    }
    case TNodeKind::kIf: {
      bool condition;
      if (!TryCondition(*node.kids[0], condition)) {
        TValue value = Evaluate(*node.kids[0]);
        if (value.Kind() != TValueKind::kBoolean) Fail(TErrorCode::kTypeMismatch, "Boolean expression expected", *node.kids[0]);
        condition = value.AsBoolean();
      }
      if (condition) return Execute(*node.kids[1]);
      if (node.kids.size() > 2) return Execute(*node.kids[2]);
      return TFlow::kNormal;
    }
    case TNodeKind::kWhile:
    case TNodeKind::kRepeat: {
      bool isWhile = node.kind == TNodeKind::kWhile;
      const TNode& conditionNode = *node.kids[isWhile ? 0 : 1];
      const TNode& body = *node.kids[isWhile ? 1 : 0];
      auto test = [&] {
        if (bool fast; TryCondition(conditionNode, fast)) return fast;
        TValue condition = Evaluate(conditionNode);
        if (condition.Kind() != TValueKind::kBoolean) Fail(TErrorCode::kTypeMismatch, "Boolean expression expected", conditionNode);
        return condition.AsBoolean();
      };
      for (;;) {
        if (isWhile && !test()) return TFlow::kNormal;
        TFlow flow = Execute(body);
        if (flow == TFlow::kBreak) return TFlow::kNormal;
        if (flow == TFlow::kExit) return flow;
        if (!isWhile && test()) return TFlow::kNormal;
      }
    }
    case TNodeKind::kFor: return ExecuteFor(node);
    case TNodeKind::kCase: return ExecuteCase(node);
    case TNodeKind::kBreak: return TFlow::kBreak;
    case TNodeKind::kContinue: return TFlow::kContinue;
    case TNodeKind::kExit:
      if (!node.kids.empty()) {
        TLvalue* result = nullptr;
        for (TFrame* frame = current_; frame && !result; frame = frame->parent)
          if (frame->routine || !frame->parent) {
            TFrame::TSlot* found = frame->Find(resultSymbol_);
            if (!found || (frame->routine && !frame->routine->result))
              Fail(TErrorCode::kSyntax, "Exit with a value outside a function", node);
            result = &found->lvalue;
          }
        TValue value = Evaluate(*node.kids[0]);
        *result->cell = Coerce(value, result->type, node);
      }
      return TFlow::kExit;
    case TNodeKind::kTryExcept: return ExecuteTryExcept(node);
    case TNodeKind::kTryFinally: return ExecuteTryFinally(node);
    case TNodeKind::kRaise: Raise(node); return TFlow::kNormal;
    case TNodeKind::kWith: return ExecuteWith(node);
    default: Fail(TErrorCode::kSyntax, "Statement expected", node);
  }
}

TInterpreter::TFlow TInterpreter::ExecuteFor(const TNode& node) {
  TLvalue variable = ResolveLvalue(*node.kids[0]);
  TValue first = Evaluate(*node.kids[1]);
  TValue last = Evaluate(*node.kids[2]);
  auto from = OrdinalOf(first);
  auto to = OrdinalOf(last);
  if (!from || !to || first.Kind() != last.Kind()) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", *node.kids[1]);
  bool isChar = first.Kind() == TValueKind::kString;
  bool isBoolean = first.Kind() == TValueKind::kBoolean;
  bool down = node.flag;
  bool integerCounter = variable.type->kind == K::kInteger || variable.type->kind == K::kInt64;
  if (down ? *from < *to : *from > *to) return TFlow::kNormal;
  for (int64_t i = *from;;) {
    if (isChar || isBoolean || !integerCounter || i != static_cast<int32_t>(i)) {
      TValue current = isChar ? TValue::String(std::string(1, static_cast<char>(i)))
                              : isBoolean ? TValue::Boolean(i != 0) : TValue::Integer(i);
      *variable.cell = Coerce(current, variable.type, *node.kids[0]);
    } else {
      variable.cell->SetInteger(i);  // what Coerce gives for a counter that fits
    }
    TFlow flow = Execute(*node.kids[3]);
    if (flow == TFlow::kBreak) break;
    if (flow == TFlow::kExit) return flow;
    if (i == *to) break;
    i = down ? i - 1 : i + 1;
  }
  return TFlow::kNormal;
}

static int CompareOrdinals(int64_t a, int64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

TInterpreter::TFlow TInterpreter::ExecuteCase(const TNode& node) {
  TValue selector = Evaluate(*node.kids[0]);
  auto ordinal = OrdinalOf(selector);
  bool isString = selector.Kind() == TValueKind::kString;
  if (!ordinal && !isString) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", *node.kids[0]);
  for (size_t i = 1; i < node.kids.size(); ++i) {
    const TNode& arm = *node.kids[i];
    if (arm.kind == TNodeKind::kCompound) return Execute(arm);  // else part
    for (const auto& label : arm.kids[0]->kids) {
      bool match = false;
      if (label->kind == TNodeKind::kRange) {
        auto low = OrdinalOf(Evaluate(*label->kids[0]));
        auto high = OrdinalOf(Evaluate(*label->kids[1]));
        if (!low || !high || !ordinal) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", *label);
        match = CompareOrdinals(*ordinal, *low) >= 0 && CompareOrdinals(*ordinal, *high) <= 0;
      } else {
        TValue value = Evaluate(*label);
        if (isString && value.Kind() == TValueKind::kString) match = value.AsString() == selector.AsString();
        else if (auto other = OrdinalOf(value); other && ordinal) match = *other == *ordinal && (value.Kind() == selector.Kind());
        else Fail(TErrorCode::kTypeMismatch, "Constant and CASE types do not match", *label);
      }
      if (match) return Execute(*arm.kids[1]);
    }
  }
  return TFlow::kNormal;
}

TInterpreter::TFlow TInterpreter::ExecuteTryExcept(const TNode& node) {
  TValue caught;
  std::exception_ptr original;
  try {
    return Execute(*node.kids[0]);
  } catch (const TRaised& raised) {
    caught = raised.object;
    original = std::current_exception();
  } catch (const TScriptError& error) {
    if (!error.Catchable()) throw;
    caught = MakeException(error.ExceptionClass(), error.Text());
    original = std::current_exception();
  }
  std::string className = caught.AsObject() ? builtin::Lower(caught.AsObject()->className) : "";
  for (size_t i = 1; i < node.kids.size(); ++i) {
    const TNode& handler = *node.kids[i];
    bool matches = handler.kind == TNodeKind::kCompound ||
                   handler.type->name == "exception" || handler.type->name == className;
    if (!matches) continue;
    handling_.push_back(caught);
    struct TPop {
      std::vector<TValue>& stack;
      ~TPop() { stack.pop_back(); }
    } pop{handling_};
    if (handler.kind == TNodeKind::kCompound) return Execute(handler);
    if (handler.text.empty()) return Execute(*handler.kids[0]);
    TFrame scope;
    scope.parent = current_;
    scope.Declare(SymbolOf(handler), TLvalue{std::make_shared<TValue>(caught), VariantType()}, false);
    scope.layout = current_ && current_->layout ? &handler : nullptr;
    current_ = &scope;
    try {
      TFlow flow = Execute(*handler.kids[0]);
      current_ = scope.parent;
      return flow;
    } catch (...) {
      current_ = scope.parent;
      throw;
    }
  }
  std::rethrow_exception(original);
}

TInterpreter::TFlow TInterpreter::ExecuteTryFinally(const TNode& node) {
  TFlow flow;
  try {
    flow = Execute(*node.kids[0]);
  } catch (const TRaised&) {
    Execute(*node.kids[1]);
    throw;
  } catch (const TScriptError& error) {
    if (error.Catchable()) Execute(*node.kids[1]);
    throw;
  }
  TFlow after = Execute(*node.kids[1]);
  return after != TFlow::kNormal ? after : flow;
}

void TInterpreter::Raise(const TNode& node) {
  if (node.kids.empty()) {
    if (handling_.empty()) Fail(TErrorCode::kRuntime, "No exception to raise again", node);
    throw TRaised{handling_.back(), node.line, node.column};
  }
  TValue value = Evaluate(*node.kids[0]);
  if (value.Kind() != TValueKind::kObject || !value.AsObject())
    Fail(TErrorCode::kTypeMismatch, "Class instance expected after raise", *node.kids[0]);
  throw TRaised{value, node.line, node.column};
}

void TInterpreter::ExecuteAssign(const TNode& node) {
  const TNode& target = *node.kids[0];
  const TNode& source = *node.kids[1];
  // The owner of a written member; inside a function its own name is its result, not a call.
  auto ownerOf = [&](const TNode& ownerNode) {
    if (ownerNode.kind == TNodeKind::kName && !WithSubject(ownerNode.text)) {
      for (TFrame* frame = current_; frame; frame = frame->parent) {
        if (frame->Find(SymbolOf(ownerNode))) break;
        if (frame->routine && frame->routine->result && frame->routine->name == ownerNode.text) return ResolveLvalue(ownerNode);
      }
    }
    return ResolveLvalue(ownerNode, true);
  };
  if (target.kind == TNodeKind::kName) {
    // Inside with, a property of the subject.
    if (const TLvalue* subject = WithSubject(target.text); subject && subject->cell->Kind() == TValueKind::kObject) {
      WriteMember(*subject->cell, target, target.text, {}, Evaluate(source));
      return;
    }
  } else if (target.kind == TNodeKind::kField && !UnqualifiedName(target)) {
    TLvalue owner = ownerOf(*target.kids[0]);
    if (owner.cell->Kind() == TValueKind::kObject && !target.flag) {
      WriteMember(*owner.cell, target, target.text, {}, Evaluate(source));
      return;
    }
    if (owner.temporary || target.flag) Fail(TErrorCode::kSyntax, "Variable identifier expected", target);
    TLvalue field = RecordField(owner, target);
    *field.cell = Coerce(Evaluate(source), field.type, source);
    return;
  } else if (target.kind == TNodeKind::kIndex) {
    const TNode& baseNode = *target.kids[0];
    // An indexed property: Strings[i], Values['k'], or the default property of an object.
    std::optional<TLvalue> owner;
    std::string property;
    const TNode* propertyNode = &baseNode;
    if (baseNode.kind == TNodeKind::kField && !baseNode.flag && !UnqualifiedName(baseNode)) {
      TLvalue fieldOwner = ownerOf(*baseNode.kids[0]);
      if (fieldOwner.cell->Kind() == TValueKind::kObject) {
        owner = fieldOwner;
        property = baseNode.text;
      }
    } else if (baseNode.kind == TNodeKind::kName) {
      if (const TLvalue* subject = WithSubject(baseNode.text); subject && subject->cell->Kind() == TValueKind::kObject) {
        owner = *subject;
        property = baseNode.text;
      }
    }
    TLvalue base;
    if (!owner) {
      base = ownerOf(baseNode);
      if (base.cell->Kind() == TValueKind::kObject) {
        TObjectData& object = LiveObject(*base.cell, target);
        property = object.native ? object.native->DefaultProperty() : std::string();
        if (property.empty()) Fail(TErrorCode::kTypeMismatch, "Array type required", target);
        owner = base;
        propertyNode = &target;
      }
    }
    if (owner) {
      TValue index = Evaluate(*target.kids[1]);
      WriteMember(*owner->cell, *propertyNode, property, {index}, Evaluate(source));
      return;
    }
    if (base.cell->Kind() == TValueKind::kString) {
      if (base.temporary) Fail(TErrorCode::kSyntax, "Variable identifier expected", baseNode);
      auto index = OrdinalOf(Evaluate(*target.kids[1]));
      TValue value = Evaluate(source);
      std::string text = base.cell->AsString();
      if (!index || *index < 1 || *index > static_cast<int64_t>(text.size()))
        Fail(TErrorCode::kRangeError, "Range check error", *target.kids[1], true);
      if (value.Kind() != TValueKind::kString || value.AsString().size() != 1)
        Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(value) + "\" expected \"Char\"", source);
      text[*index - 1] = value.AsString()[0];
      *base.cell = TValue::String(text);
      return;
    }
    if (base.temporary) Fail(TErrorCode::kSyntax, "Variable identifier expected", baseNode);
    TLvalue element = ArrayElement(base, *target.kids[1], target);
    *element.cell = Coerce(Evaluate(source), element.type, source);
    return;
  }
  TLvalue* variable = target.kind == TNodeKind::kName ? PlainVariable(target) : nullptr;
  TLvalue resolved;
  if (!variable) {
    resolved = ResolveLvalue(target);
    variable = &resolved;
  }
  TLvalue& lvalue = *variable;
  if (lvalue.type->kind == K::kInt64 || lvalue.type->kind == K::kInteger) {
    int64_t value;
    if (TryInteger(source, value)) {
      // What CoerceTemporary gives for an integer.
      lvalue.cell->SetInteger(lvalue.type->kind == K::kInteger ? static_cast<int32_t>(static_cast<uint32_t>(value)) : value);
      return;
    }
  }
  // `s := s + x` appends in place, so building a string in a loop does not copy it each time.
  if (lvalue.cell->Kind() == TValueKind::kString && target.kind == TNodeKind::kName &&
      source.kind == TNodeKind::kBinary && OperatorOf(source) == TOp::kAdd && source.kids[0]->kind == TNodeKind::kName &&
      SymbolOf(*source.kids[0]) == SymbolOf(target) && lvalue.type->kind != K::kChar) {
    TValue right = Evaluate(*source.kids[1]);
    TValue& left = *lvalue.cell;
    if (left.Kind() != TValueKind::kString || right.Kind() != TValueKind::kString)
      Fail(TErrorCode::kTypeMismatch, "Operator is not overloaded: \"" + KindName(left) + "\" + \"" + KindName(right) + "\"", source);
    if (left.AsString().size() + right.AsString().size() > kMaxStringLength)
      Fail(TErrorCode::kRuntime, "Out of memory: string too long", source, true);
    left.AppendString(right.AsString());
    return;
  }
  *lvalue.cell = CoerceTemporary(Evaluate(source), lvalue.type, source);
}

TInterpreter::TLvalue* TInterpreter::PlainVariable(const TNode& node) {
  if (withDepth_ != 0) return nullptr;
  bool isConst = false, hidden = false;
  TLvalue* variable = ChainVariable(node, &isConst, &hidden);
  return isConst || hidden ? nullptr : variable;
}

TInterpreter::TLvalue TInterpreter::ResolveLvalue(const TNode& node, bool loose) {
  auto temporary = [](TValue value) { return TLvalue{std::make_shared<TValue>(std::move(value)), VariantType(), true}; };
  switch (node.kind) {
    case TNodeKind::kName: {
      if (const TLvalue* subject = WithSubject(node.text)) {
        if (subject->cell->Kind() == TValueKind::kRecord) return RecordField(*subject, node);
        if (!loose) Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
        return temporary(ReadMember(*subject, node, node.text, {}, false));
      }
      // Inside a function its own name stands for its result.
      bool isConst = false, hidden = false;
      if (TLvalue* variable = ChainVariable(node, &isConst, &hidden); variable && !isConst && !hidden) return *variable;
      int symbol = SymbolOf(node);
      for (TFrame* frame = current_; frame; frame = frame->parent) {
        if (TFrame::TSlot* found = frame->Find(symbol)) {
          if (!found->isConst) return found->lvalue;
          if (!loose) Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
          return TLvalue{found->lvalue.cell, found->lvalue.type, true};
        }
        if (!loose && frame->routine && frame->routine->result && frame->routine->name == node.text)
          return frame->Find(resultSymbol_)->lvalue;
      }
      if (TLvalue* unitVariable = FindVariable(symbol)) return *unitVariable;
      if (loose) return temporary(Evaluate(node));
      if (FindRoutine(node.text).first || BuiltinConstant(node.text))
        Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
      Fail(TErrorCode::kUnknownIdentifier, "Identifier not found \"" + node.original + "\"", node);
    }
    case TNodeKind::kIndex: {
      const TNode& baseNode = *node.kids[0];
      std::optional<TLvalue> owner;
      if (baseNode.kind == TNodeKind::kField && !baseNode.flag) {
        TLvalue fieldOwner = ResolveLvalue(*baseNode.kids[0], loose);
        if (fieldOwner.cell->Kind() != TValueKind::kObject) {
          TLvalue field = RecordField(fieldOwner, baseNode);
          if (field.cell->Kind() == TValueKind::kArray) return ArrayElement(field, *node.kids[1], node);
          if (!loose) Fail(TErrorCode::kTypeMismatch, "Array type required", node);
          return temporary(IndexValue(*field.cell, Evaluate(*node.kids[1]), node));
        }
        owner = fieldOwner;
      } else if (baseNode.kind == TNodeKind::kName) {
        if (const TLvalue* subject = WithSubject(baseNode.text); subject && subject->cell->Kind() == TValueKind::kObject)
          owner = *subject;
      }
      if (owner) {
        if (!loose) Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
        return temporary(ReadIndexed(*owner, baseNode, baseNode.text, Evaluate(*node.kids[1])));
      }
      TLvalue base = ResolveLvalue(baseNode, loose);
      if (base.cell->Kind() == TValueKind::kArray) return ArrayElement(base, *node.kids[1], node);
      if (!loose) Fail(TErrorCode::kTypeMismatch, "Array type required", node);
      return temporary(IndexValue(*base.cell, Evaluate(*node.kids[1]), node));
    }
    case TNodeKind::kField: {
      if (const TNode* plain = UnqualifiedName(node)) return ResolveLvalue(*plain, loose);
      if (IsConstruction(node)) {
        if (!loose) Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
        return temporary(ConstructObject(node));
      }
      TLvalue owner = ResolveLvalue(*node.kids[0], loose);
      if (owner.cell->Kind() == TValueKind::kRecord && !node.flag) return RecordField(owner, node);
      if (!loose) Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
      return temporary(ReadMember(owner, node, node.text, EvaluateArgs(node, 1), node.flag));
    }
    default:
      if (loose) return temporary(Evaluate(node));
      Fail(TErrorCode::kSyntax, "Variable identifier expected", node);
  }
}

TInterpreter::TLvalue TInterpreter::RecordField(const TLvalue& owner, const TNode& node) {
  if (owner.cell->Kind() == TValueKind::kRecord) {
    const auto& fields = owner.cell->AsRecord()->fields;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].first != node.text) continue;
      TTypeRef type = owner.type && i < owner.type->fields.size() ? owner.type->fields[i].second : VariantType();
      return TLvalue{fields[i].second, type, owner.temporary};
    }
  }
  Fail(TErrorCode::kUnknownIdentifier, "Identifier idents no member \"" + node.original + "\"", node);
}

TInterpreter::TLvalue TInterpreter::ArrayElement(const TLvalue& base, const TNode& indexNode, const TNode& at) {
  if (base.cell->Kind() != TValueKind::kArray) Fail(TErrorCode::kTypeMismatch, "Array type required", at);
  auto index = OrdinalOf(Evaluate(indexNode));
  if (!index) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", indexNode);
  const auto& array = base.cell->AsArray();
  int64_t position = *index - array->low;
  if (position < 0 || position >= static_cast<int64_t>(array->items.size()))
    Fail(TErrorCode::kRangeError, "Range check error", indexNode, true);
  TTypeRef type = base.type && base.type->element ? base.type->element : VariantType();
  return TLvalue{array->items[position], type, base.temporary};
}

// The stack is checked at statements and calls: between them an expression's depth is bounded by the parser.
TValue TInterpreter::Evaluate(const TNode& node) {
  switch (node.kind) {
    case TNodeKind::kIntLit: return TValue::Integer(node.integer);
    case TNodeKind::kRealLit: return TValue::Float(node.real);
    case TNodeKind::kStrLit: return TValue::String(node.text);
    case TNodeKind::kNil: return TValue::Object(nullptr);
    case TNodeKind::kName: return EvaluateName(node, false);
    case TNodeKind::kCall: return EvaluateCall(node, false);
    case TNodeKind::kBinary: return EvaluateBinary(node);
    case TNodeKind::kUnary: return EvaluateUnary(node);
    case TNodeKind::kSetLit: return EvaluateSet(node);
    case TNodeKind::kIndex: return EvaluateIndex(node);
    case TNodeKind::kField:
      if (const TNode* plain = UnqualifiedName(node)) return Evaluate(*plain);
      return EvaluateField(node);
    default: Fail(TErrorCode::kSyntax, "Illegal expression", node);
  }
}

bool TInterpreter::TryInteger(const TNode& node, int64_t& value) {
  switch (node.kind) {
    case TNodeKind::kIntLit: value = node.integer; return true;
    case TNodeKind::kName: {
      if (withDepth_ != 0) return false;
      const TLvalue* variable = ChainVariable(node);
      if (!variable || variable->cell->Kind() != TValueKind::kInteger) return false;
      value = variable->cell->AsInteger();
      return true;
    }
    case TNodeKind::kUnary:
      if (node.text != "-" || !TryInteger(*node.kids[0], value)) return false;
      value = Wrap(0 - static_cast<uint64_t>(value));
      return true;
    case TNodeKind::kBinary: {
      // As EvaluateBinary computes integers.
      TOp op = OperatorOf(node);
      if (op != TOp::kAdd && op != TOp::kSub && op != TOp::kMul && op != TOp::kDiv && op != TOp::kMod) return false;
      int64_t x, y;
      if (!TryInteger(*node.kids[0], x) || !TryInteger(*node.kids[1], y)) return false;
      uint64_t ux = static_cast<uint64_t>(x), uy = static_cast<uint64_t>(y);
      switch (op) {
        case TOp::kAdd: value = Wrap(ux + uy); return true;
        case TOp::kSub: value = Wrap(ux - uy); return true;
        case TOp::kMul: value = Wrap(ux * uy); return true;
        default:
          if (y == 0) return false;  // the error is Evaluate's to raise
          if (y == -1) value = op == TOp::kDiv ? Wrap(0 - ux) : 0;
          else value = op == TOp::kDiv ? x / y : x % y;
          return true;
      }
    }
    default: return false;
  }
}

bool TInterpreter::TryCondition(const TNode& node, bool& value) {
  if (node.kind != TNodeKind::kBinary) return false;
  TOp op = OperatorOf(node);
  if (op != TOp::kLt && op != TOp::kGt && op != TOp::kLe && op != TOp::kGe && op != TOp::kEq && op != TOp::kNe) return false;
  int64_t x, y;
  if (!TryInteger(*node.kids[0], x) || !TryInteger(*node.kids[1], y)) return false;
  switch (op) {
    case TOp::kLt: value = x < y; break;
    case TOp::kGt: value = x > y; break;
    case TOp::kLe: value = x <= y; break;
    case TOp::kGe: value = x >= y; break;
    case TOp::kEq: value = x == y; break;
    default: value = x != y; break;
  }
  return true;
}

static int Compare(const TValue& a, const TValue& b, bool& comparable) {
  comparable = true;
  if (a.Kind() == TValueKind::kInteger && b.Kind() == TValueKind::kInteger) return CompareOrdinals(a.AsInteger(), b.AsInteger());
  if (a.IsNumeric() && b.IsNumeric()) return a.AsFloat() < b.AsFloat() ? -1 : a.AsFloat() > b.AsFloat() ? 1 : 0;
  if (a.Kind() == TValueKind::kString && b.Kind() == TValueKind::kString) {
    int order = a.AsString().compare(b.AsString());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
  }
  if (a.Kind() == TValueKind::kBoolean && b.Kind() == TValueKind::kBoolean) return CompareOrdinals(a.AsInteger(), b.AsInteger());
  comparable = false;
  return 0;
}

TValue TInterpreter::EvaluateBinary(const TNode& node) {
  TOp op = OperatorOf(node);
  // Operands that are variables are read where they are, not copied.
  TValue leftScratch, rightScratch;
  const TValue* leftValue = VariableValue(*node.kids[0]);
  if (!leftValue) {
    leftScratch = Evaluate(*node.kids[0]);
    leftValue = &leftScratch;
  }
  // and/or on booleans skip the right side when the left decides.
  if (leftValue->Kind() == TValueKind::kBoolean && (op == TOp::kAnd || op == TOp::kOr)) {
    if (op == TOp::kAnd && !leftValue->AsBoolean()) return TValue::Boolean(false);
    if (op == TOp::kOr && leftValue->AsBoolean()) return TValue::Boolean(true);
    TValue right = Evaluate(*node.kids[1]);
    if (right.Kind() != TValueKind::kBoolean) Fail(TErrorCode::kTypeMismatch, "Operator is not overloaded: Boolean " + node.text + " " + KindName(right), node);
    return right;
  }
  const TValue* rightValue = VariableValue(*node.kids[1]);
  if (!rightValue) {
    // Evaluating the right side may change the variable the left side read (a function with side effects).
    if (leftValue != &leftScratch && node.kids[1]->kind != TNodeKind::kIntLit) {
      leftScratch = *leftValue;
      leftValue = &leftScratch;
    }
    rightScratch = Evaluate(*node.kids[1]);
    rightValue = &rightScratch;
  }
  const TValue& left = *leftValue;
  const TValue& right = *rightValue;
  if (left.Kind() == TValueKind::kInteger && right.Kind() == TValueKind::kInteger) {
    // Integers are most of what scripts compute: no kind tests beyond this one.
    int64_t x = left.AsInteger(), y = right.AsInteger();
    uint64_t ux = static_cast<uint64_t>(x), uy = static_cast<uint64_t>(y);
    switch (op) {
      case TOp::kAdd: return TValue::Integer(Wrap(ux + uy));
      case TOp::kSub: return TValue::Integer(Wrap(ux - uy));
      case TOp::kMul: return TValue::Integer(Wrap(ux * uy));
      case TOp::kLt: return TValue::Boolean(x < y);
      case TOp::kGt: return TValue::Boolean(x > y);
      case TOp::kLe: return TValue::Boolean(x <= y);
      case TOp::kGe: return TValue::Boolean(x >= y);
      case TOp::kEq: return TValue::Boolean(x == y);
      case TOp::kNe: return TValue::Boolean(x != y);
      default: break;
    }
  }
  auto mismatch = [&]() {
    Fail(TErrorCode::kTypeMismatch, "Operator is not overloaded: \"" + KindName(left) + "\" " + node.text + " \"" + KindName(right) + "\"", node);
  };
  bool ints = left.Kind() == TValueKind::kInteger && right.Kind() == TValueKind::kInteger;
  bool numbers = left.IsNumeric() && right.IsNumeric();
  bool sets = left.Kind() == TValueKind::kSet && right.Kind() == TValueKind::kSet;
  uint64_t a = static_cast<uint64_t>(left.AsInteger()), b = static_cast<uint64_t>(right.AsInteger());
  if (op == TOp::kEq || op == TOp::kNe || op == TOp::kLt || op == TOp::kGt || op == TOp::kLe || op == TOp::kGe) {
    bool equal;
    if (sets) {
      equal = left.AsSet() == right.AsSet();
    } else if ((left.Kind() == TValueKind::kObject || left.Kind() == TValueKind::kNull) &&
               (right.Kind() == TValueKind::kObject || right.Kind() == TValueKind::kNull)) {
      equal = left.AsObject() == right.AsObject();
    } else {
      bool comparable = false;
      int order = Compare(left, right, comparable);
      if (!comparable) mismatch();
      if (op == TOp::kLt) return TValue::Boolean(order < 0);
      if (op == TOp::kGt) return TValue::Boolean(order > 0);
      if (op == TOp::kLe) return TValue::Boolean(order <= 0);
      if (op == TOp::kGe) return TValue::Boolean(order >= 0);
      equal = order == 0;
    }
    if (op == TOp::kEq) return TValue::Boolean(equal);
    if (op == TOp::kNe) return TValue::Boolean(!equal);
    mismatch();
  }
  if (op == TOp::kIn) {
    if (right.Kind() != TValueKind::kSet) mismatch();
    auto ordinal = OrdinalOf(left);
    if (!ordinal) mismatch();
    return TValue::Boolean(*ordinal >= 0 && *ordinal < 256 && right.AsSet().test(*ordinal));
  }
  if (op == TOp::kAdd) {
    if (ints) return TValue::Integer(Wrap(a + b));
    if (numbers) return TValue::Float(left.AsFloat() + right.AsFloat());
    if (left.Kind() == TValueKind::kString && right.Kind() == TValueKind::kString) {
      if (left.AsString().size() + right.AsString().size() > kMaxStringLength)
        Fail(TErrorCode::kRuntime, "Out of memory: string too long", node, true);
      return TValue::String(left.AsString() + right.AsString());
    }
    if (sets) return TValue::Set(left.AsSet() | right.AsSet());
    mismatch();
  }
  if (op == TOp::kSub) {
    if (ints) return TValue::Integer(Wrap(a - b));
    if (numbers) return TValue::Float(left.AsFloat() - right.AsFloat());
    if (sets) return TValue::Set(left.AsSet() & ~right.AsSet());
    mismatch();
  }
  if (op == TOp::kMul) {
    if (ints) return TValue::Integer(Wrap(a * b));
    if (numbers) return TValue::Float(left.AsFloat() * right.AsFloat());
    if (sets) return TValue::Set(left.AsSet() & right.AsSet());
    mismatch();
  }
  if (op == TOp::kSlash) {
    if (!numbers) mismatch();
    if (right.AsFloat() == 0) Fail(TErrorCode::kDivisionByZero, "Division by zero", node, true);
    return TValue::Float(left.AsFloat() / right.AsFloat());
  }
  if (op == TOp::kDiv || op == TOp::kMod) {
    if (!ints) mismatch();
    if (b == 0) Fail(TErrorCode::kDivisionByZero, "Division by zero", node, true);
    // The one quotient that does not fit wraps, as the machine does.
    if (right.AsInteger() == -1) return TValue::Integer(op == TOp::kDiv ? Wrap(0 - a) : 0);
    return TValue::Integer(op == TOp::kDiv ? left.AsInteger() / right.AsInteger() : left.AsInteger() % right.AsInteger());
  }
  if (op == TOp::kShl || op == TOp::kShr) {
    if (!ints) mismatch();
    if (ShiftsIn32Bits(*node.kids[0])) {
      uint32_t bits = static_cast<uint32_t>(a);
      return TValue::Integer(static_cast<int32_t>(op == TOp::kShl ? bits << (b & 31) : bits >> (b & 31)));
    }
    return TValue::Integer(Wrap(op == TOp::kShl ? a << (b & 63) : a >> (b & 63)));
  }
  if (op == TOp::kAnd || op == TOp::kOr || op == TOp::kXor) {
    if (ints) return TValue::Integer(Wrap(op == TOp::kAnd ? a & b : op == TOp::kOr ? a | b : a ^ b));
    if (left.Kind() == TValueKind::kBoolean && right.Kind() == TValueKind::kBoolean)
      return TValue::Boolean(left.AsBoolean() != right.AsBoolean());
    mismatch();
  }
  mismatch();
  return TValue();
}

TValue TInterpreter::EvaluateUnary(const TNode& node) {
  TValue operand = Evaluate(*node.kids[0]);
  if (node.text == "not") {
    if (operand.Kind() == TValueKind::kBoolean) return TValue::Boolean(!operand.AsBoolean());
    if (operand.Kind() == TValueKind::kInteger) return TValue::Integer(~operand.AsInteger());
  } else if (operand.Kind() == TValueKind::kInteger) {
    return TValue::Integer(node.text == "-" ? Wrap(0 - static_cast<uint64_t>(operand.AsInteger())) : operand.AsInteger());
  } else if (operand.Kind() == TValueKind::kFloat) {
    return TValue::Float(node.text == "-" ? -operand.AsFloat() : operand.AsFloat());
  }
  Fail(TErrorCode::kTypeMismatch, "Operator is not overloaded: " + node.text + " \"" + KindName(operand) + "\"", node);
}

TValue TInterpreter::EvaluateSet(const TNode& node) {
  std::bitset<256> bits;
  auto ordinal = [&](const TNode& element) {
    auto value = OrdinalOf(Evaluate(element));
    if (!value) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", element);
    if (*value < 0 || *value > 255) Fail(TErrorCode::kRangeError, "Set element out of range 0..255", element, true);
    return static_cast<size_t>(*value);
  };
  for (const auto& element : node.kids) {
    if (element->kind == TNodeKind::kRange) {
      size_t low = ordinal(*element->kids[0]);
      size_t high = ordinal(*element->kids[1]);
      for (size_t i = low; i <= high; ++i) bits.set(i);
    } else {
      bits.set(ordinal(*element));
    }
  }
  return TValue::Set(bits);
}

const TValue* TInterpreter::VariableValue(const TNode& node) {
  if (node.kind != TNodeKind::kName || withDepth_ != 0) return nullptr;
  TLvalue* variable = ChainVariable(node);
  if (!variable) variable = FindVariable(SymbolOf(node));
  return variable ? variable->cell.get() : nullptr;
}

TValue TInterpreter::EvaluateIndex(const TNode& node) { return *ResolveLvalue(node, true).cell; }

TValue TInterpreter::EvaluateField(const TNode& node) { return *ResolveLvalue(node, true).cell; }

TValue TInterpreter::EvaluateName(const TNode& node, bool asStatement) {
  if (WithSubject(node.text)) return *ResolveLvalue(node, true).cell;
  if (TLvalue* variable = ChainVariable(node)) return *variable->cell;
  if (TLvalue* variable = FindVariable(SymbolOf(node))) return *variable->cell;
  TFrame* frame = nullptr;
  if (const TRoutine* first = RoutineOfCall(node, frame)) {
    const TRoutine* routine = &SelectOverload(*first, {}, node);
    if (!routine->result && !asStatement) Fail(TErrorCode::kTypeMismatch, "Procedure \"" + node.original + "\" has no value", node);
    return CallRoutine(*routine, frame, {}, node);
  }
  if (node.text == "writeln" || node.text == "write") {
    Write(node, node.text == "writeln");
    return TValue();
  }
  if (auto constant = BuiltinConstant(node.text)) return *constant;
  if (auto constant = LibraryConstant(node.text)) return *constant;
  if (auto constant = DialogConstant(node.text)) return *constant;
  try {
    if (auto value = CallBuiltinWithoutArguments(node.text)) return *value;
  } catch (const TBuiltinError& error) {
    FailBuiltin(error, node);
  }
  if (host_.unknownIdentifier) {
    if (auto value = host_.unknownIdentifier(node.original)) return *value;
  }
  Fail(TErrorCode::kUnknownIdentifier, "Identifier not found \"" + node.original + "\"", node);
}

TValue TInterpreter::EvaluateCall(const TNode& node, bool asStatement) {
  if (const TLvalue* subject = WithSubject(node.text)) return ReadMember(*subject, node, node.text, EvaluateArgs(node, 0), true);
  TFrame* frame = nullptr;
  if (const TRoutine* first = RoutineOfCall(node, frame)) {
    // Most calls take a few arguments: those are listed without allocating.
    constexpr size_t kInlineArgs = 8;
    const TNode* inlineArgs[kInlineArgs];
    std::vector<const TNode*> manyArgs;
    std::span<const TNode* const> args;
    if (node.kids.size() <= kInlineArgs) {
      for (size_t i = 0; i < node.kids.size(); ++i) inlineArgs[i] = node.kids[i].get();
      args = std::span<const TNode* const>(inlineArgs, node.kids.size());
    } else {
      for (const auto& arg : node.kids) manyArgs.push_back(arg.get());
      args = manyArgs;
    }
    const TRoutine* routine = &SelectOverload(*first, args, node);
    if (!routine->result && !asStatement) Fail(TErrorCode::kTypeMismatch, "Procedure \"" + node.original + "\" has no value", node);
    return CallRoutine(*routine, frame, args, node);
  }
  // Which routines handle a name is decided by the name alone, so a call known to reach a built-in skips them.
  if (node.callKind != TNode::TCallKind::kBuiltin || !current_ || node.callLayout != current_->layout) {
    TValue result;
    if (CallFileRoutine(node, result) || CallEnumRoutine(node, result) || CallTryConversion(node, result)) return result;
    if (CallSpecial(node, result)) return result;
    if (current_ && current_->layout && node.callLayout == current_->layout) {
      node.callKind = TNode::TCallKind::kBuiltin;
      node.callTarget = FindBuiltin(node.text);
    }
  }
  const auto* function = static_cast<const TBuiltinFunction*>(node.callTarget);
  std::vector<TValue> args;
  if (!spareArgs_.empty()) {
    args = std::move(spareArgs_.back());
    spareArgs_.pop_back();
  }
  struct TSpareArgs {
    std::vector<TValue>& args;
    std::vector<std::vector<TValue>>& spare;
    ~TSpareArgs() {
      args.clear();
      if (spare.size() < 16) spare.push_back(std::move(args));
    }
  } spare{args, spareArgs_};
  for (const auto& arg : node.kids) args.push_back(Evaluate(*arg));
  try {
    std::optional<TValue> value;
    if (node.callKind == TNode::TCallKind::kBuiltin && function) value = (*function)(args);
    else value = CallBuiltin(node.text, args);
    if (value) {
      if (value->Kind() == TValueKind::kString && value->AsString().size() > kMaxStringLength)
        Fail(TErrorCode::kRuntime, "Out of memory: string too long", node, true);
      return std::move(*value);
    }
  } catch (const TBuiltinError& error) {
    FailBuiltin(error, node);
  }
  Fail(TErrorCode::kUnknownIdentifier, "Identifier not found \"" + node.original + "\"", node);
}

TValue TInterpreter::CallRoutine(const TRoutine& routine, TFrame* parent, std::span<const TNode* const> args, const TNode& at) {
  size_t required = 0;
  while (required < routine.params.size() && !routine.params[required].defaultValue) ++required;
  if (args.size() < required || args.size() > routine.params.size())
    Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + routine.name + "\"", at);
  CheckStack(at);
  if (callDepth_ >= maxCallDepth_) Fail(TErrorCode::kStackOverflow, "Stack overflow", at);
  TFrame frame;
  frame.parent = parent;
  frame.routine = &routine;
  frame.block = routine.block.get();
  TFrame::TSlotStore store(frame.vars, spareCells_);
  frame.vars.reserve(routine.params.size() + 1 + (routine.block ? routine.block->consts.size() + routine.block->vars.size() : 0));
  for (size_t i = 0; i < routine.params.size(); ++i) {
    const TParam& param = routine.params[i];
    if (param.symbol < 0) param.symbol = Symbol(param.name);
    int symbol = param.symbol;
    bool isConst = param.mode == TParamMode::kConst;
    if (i >= args.size()) {
      frame.Declare(symbol, TLvalue{NewCell(Coerce(Evaluate(*param.defaultValue), param.type, at)), TreeType(param.type)}, isConst);
    } else if (param.mode == TParamMode::kVar || param.mode == TParamMode::kOut) {
      TLvalue target = ResolveLvalue(*args[i]);
      frame.Declare(symbol, TLvalue{target.cell, param.type->kind == K::kVariant ? target.type : TreeType(param.type)}, isConst);
    } else {
      TValue value = Evaluate(*args[i]);
      // An open array parameter takes any array and indexes it from 0.
      if (param.type->kind == K::kDynArray && value.Kind() == TValueKind::kArray && !value.IsDynamicArray()) {
        auto rebased = std::make_shared<TArrayData>();
        rebased->items = value.DeepCopy().AsArray()->items;
        value = TValue::Array(rebased, false);
      } else {
        value = CoerceTemporary(std::move(value), param.type, *args[i]);
      }
      frame.Declare(symbol, TLvalue{NewCell(std::move(value)), TreeType(param.type)}, isConst);
    }
  }
  if (routine.result)
    frame.Declare(resultSymbol_, TLvalue{NewCell(DefaultValue(routine.result)), TreeType(routine.result)}, false);
  struct TRestore {
    TInterpreter& interpreter;
    TFrame* saved;
    ~TRestore() {
      interpreter.current_ = saved;
      --interpreter.callDepth_;
    }
  } restore{*this, current_};
  ++callDepth_;
  current_ = &frame;
  EnterBlock(frame, *routine.block);
  frame.layout = parent && parent->layout ? &routine : nullptr;
  Execute(*routine.block->body);
  // The frame ends here, so its result is moved out rather than copied.
  return routine.result ? std::move(*frame.Find(resultSymbol_)->lvalue.cell) : TValue();
}

void TInterpreter::Write(const TNode& node, bool newLine) {
  // One output per call; but a Write made while evaluating an argument (a function that writes) first sends
  // what this one has written so far, so the text keeps its order.
  if (unflushedWrite_ && !unflushedWrite_->empty() && host_.output) {
    host_.output(*unflushedWrite_);
    unflushedWrite_->clear();
  }
  std::string text;
  struct TNesting {
    std::string*& current;
    std::string* saved;
    ~TNesting() { current = saved; }
  } nesting{unflushedWrite_, unflushedWrite_};
  unflushedWrite_ = &text;
  // The first argument may be the file to write to; it is evaluated once either way.
  std::optional<TValue> firstValue;
  TTextFile* file = nullptr;
  bool formatted = !node.kids.empty() && node.kids[0]->kind == TNodeKind::kRange && node.kids[0]->text == ":";
  if (!node.kids.empty() && !formatted) {
    firstValue = Evaluate(*node.kids[0]);
    if ((file = AsTextFile(*firstValue))) firstValue.reset();
  }
  // Text bound for a file is not the log's: a nested Write flushes only what the log is owed.
  if (file) unflushedWrite_ = nesting.saved;
  for (size_t i = file ? 1 : 0; i < node.kids.size(); ++i) {
    const TNode* valueNode = node.kids[i].get();
    std::optional<int> width, decimals;
    auto number = [&](const TNode& n) {
      TValue v = Evaluate(n);
      if (v.Kind() != TValueKind::kInteger) Fail(TErrorCode::kTypeMismatch, "Integer expected for the width", n);
      return static_cast<int>(std::clamp<int64_t>(v.AsInteger(), -1000, 1000));
    };
    if (valueNode->kind == TNodeKind::kRange && valueNode->text == ":") {
      if (valueNode->kids[0]->kind == TNodeKind::kRange && valueNode->kids[0]->text == ":") {
        decimals = number(*valueNode->kids[1]);
        width = number(*valueNode->kids[0]->kids[1]);
        valueNode = valueNode->kids[0]->kids[0].get();
      } else {
        width = number(*valueNode->kids[1]);
        valueNode = valueNode->kids[0].get();
      }
    }
    TValue value = i == 0 && firstValue ? *firstValue : Evaluate(*valueNode);
    try {
      text += WriteText(value, width, decimals);
    } catch (const std::invalid_argument& error) {
      Fail(TErrorCode::kTypeMismatch, error.what(), *valueNode);
    }
  }
  if (newLine) text += "\n";
  if (file) {
    try {
      file->Write(text);
    } catch (const TInOutError& error) {
      RaiseObject(InOutException(error), node);
    }
  } else if (host_.output) {
    host_.output(text);
  }
}

void TInterpreter::RaiseObject(const TValue& object, const TNode& at) { throw TRaised{object, at.line, at.column}; }

bool TInterpreter::CallSpecial(const TNode& node, TValue& result) {
  TSpelling name{node.text};
  const auto& args = node.kids;
  auto count = [&](size_t low, size_t high) {
    if (args.size() < low || args.size() > high)
      Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  };
  auto integer = [&](const TNode& arg) {
    TValue value = Evaluate(arg);
    if (value.Kind() != TValueKind::kInteger) Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(value) + "\" expected \"Integer\"", arg);
    return value.AsInteger();
  };
  if (name == "writeln" || name == "write") {
    Write(node, name == "writeln");
    return true;
  }
  if (name == "inc" || name == "dec") {
    count(1, 2);
    TLvalue target = ResolveLvalue(*args[0]);
    int64_t step = args.size() == 2 ? integer(*args[1]) : 1;
    uint64_t delta = static_cast<uint64_t>(step);
    if (target.cell->Kind() == TValueKind::kInteger) {
      uint64_t current = static_cast<uint64_t>(target.cell->AsInteger());
      *target.cell = Coerce(TValue::Integer(Wrap(name == "inc" ? current + delta : current - delta)), target.type, node);
    } else if (target.cell->Kind() == TValueKind::kString && target.cell->AsString().size() == 1) {
      unsigned char c = static_cast<unsigned char>(target.cell->AsString()[0]);
      *target.cell = TValue::String(std::string(1, static_cast<char>(name == "inc" ? c + delta : c - delta)));
    } else {
      Fail(TErrorCode::kTypeMismatch, "Ordinal variable expected", *args[0]);
    }
    return true;
  }
  if (name == "setlength") {
    count(2, 2);
    TLvalue target = ResolveLvalue(*args[0]);
    int64_t length = integer(*args[1]);
    if (length < 0 || length > kMaxArrayLength) Fail(TErrorCode::kRangeError, "Range check error", *args[1], true);
    if (target.cell->Kind() == TValueKind::kString) {
      std::string text = target.cell->AsString();
      text.resize(static_cast<size_t>(length), ' ');
      *target.cell = TValue::String(text);
    } else if (target.cell->Kind() == TValueKind::kArray && target.cell->IsDynamicArray()) {
      // A resized array is a new one: other references keep the old elements.
      auto resized = std::make_shared<TArrayData>();
      const auto& old = target.cell->AsArray()->items;
      TTypeRef element = target.type && target.type->element ? target.type->element : VariantType();
      memory_budget::Ensure(CellsBytes(length));
      for (int64_t i = 0; i < length; ++i)
        resized->items.push_back(std::make_shared<TValue>(i < static_cast<int64_t>(old.size()) ? old[i]->DeepCopy() : DefaultValue(element)));
      *target.cell = TValue::Array(resized, true);
    } else {
      Fail(TErrorCode::kTypeMismatch, "Dynamic array or string expected", *args[0]);
    }
    return true;
  }
  if (name == "delete" || name == "insert") {
    count(3, 3);
    if (name == "delete") {
      TLvalue target = ResolveLvalue(*args[0]);
      int64_t index = integer(*args[1]);
      int64_t length = integer(*args[2]);
      if (target.cell->Kind() != TValueKind::kString) Fail(TErrorCode::kTypeMismatch, "String variable expected", *args[0]);
      std::string text = target.cell->AsString();
      if (index >= 1 && index <= static_cast<int64_t>(text.size()) && length > 0)
        text.erase(static_cast<size_t>(index - 1), static_cast<size_t>(std::min<int64_t>(length, text.size())));
      *target.cell = TValue::String(text);
    } else {
      TValue inserted = Evaluate(*args[0]);
      TLvalue target = ResolveLvalue(*args[1]);
      int64_t index = integer(*args[2]);
      if (inserted.Kind() != TValueKind::kString || target.cell->Kind() != TValueKind::kString)
        Fail(TErrorCode::kTypeMismatch, "String expected", node);
      std::string text = target.cell->AsString();
      index = std::clamp<int64_t>(index, 1, static_cast<int64_t>(text.size()) + 1);
      if (text.size() + inserted.AsString().size() > kMaxStringLength)
        Fail(TErrorCode::kRuntime, "Out of memory: string too long", node, true);
      text.insert(static_cast<size_t>(index - 1), inserted.AsString());
      *target.cell = TValue::String(text);
    }
    return true;
  }
  if (name == "include" || name == "exclude") {
    count(2, 2);
    TLvalue target = ResolveLvalue(*args[0]);
    auto element = OrdinalOf(Evaluate(*args[1]));
    if (target.cell->Kind() != TValueKind::kSet || !element) Fail(TErrorCode::kTypeMismatch, "Set and ordinal expected", node);
    if (*element < 0 || *element > 255) Fail(TErrorCode::kRangeError, "Set element out of range 0..255", *args[1], true);
    auto bits = target.cell->AsSet();
    bits.set(static_cast<size_t>(*element), name == "include");
    *target.cell = TValue::Set(bits);
    return true;
  }
  if (name == "high" || name == "low") {
    count(1, 1);
    static const std::map<std::string, std::pair<int64_t, int64_t>> kTypeBounds = {
        {"integer", {-2147483648LL, 2147483647}}, {"longint", {-2147483648LL, 2147483647}},
        {"int64", {INT64_MIN, INT64_MAX}},        {"byte", {0, 255}},
        {"word", {0, 65535}},                      {"cardinal", {0, 4294967295LL}},
        {"smallint", {-32768, 32767}},             {"shortint", {-128, 127}}};
    if (args[0]->kind == TNodeKind::kName && !FindVariable(args[0]->text)) {
      if (auto bounds = kTypeBounds.find(args[0]->text); bounds != kTypeBounds.end()) {
        result = TValue::Integer(name == "high" ? bounds->second.second : bounds->second.first);
        return true;
      }
    }
    TValue value = Evaluate(*args[0]);
    if (value.Kind() == TValueKind::kArray) {
      int64_t low = value.AsArray()->low;
      result = TValue::Integer(name == "high" ? low + static_cast<int64_t>(value.AsArray()->items.size()) - 1 : low);
    } else if (value.Kind() == TValueKind::kString) {
      result = TValue::Integer(name == "high" ? static_cast<int64_t>(value.AsString().size()) : 1);
    } else {
      Fail(TErrorCode::kTypeMismatch, "Array or string expected", *args[0]);
    }
    return true;
  }
  if (name == "format") {
    count(2, 2);
    TValue format = Evaluate(*args[0]);
    if (format.Kind() != TValueKind::kString) Fail(TErrorCode::kTypeMismatch, "Format string expected", *args[0]);
    std::vector<TValue> values;
    if (args[1]->kind == TNodeKind::kSetLit) {
      for (const auto& element : args[1]->kids) values.push_back(Evaluate(*element));
    } else {
      Fail(TErrorCode::kTypeMismatch, "Array of const expected", *args[1]);
    }
    try {
      result = TValue::String(FormatText(format.AsString(), values));
    } catch (const std::invalid_argument& error) {
      Fail(TErrorCode::kConversion, error.what(), node, true);
    }
    return true;
  }
  if (CallDialog(node, result)) return true;
  if (name == "sleep" && host_.stopRequested) {
    Sleep(node);
    result = TValue();
    return true;
  }
  if (name == "freeandnil") {
    count(1, 1);
    TLvalue target = ResolveLvalue(*args[0]);
    if (target.cell->Kind() != TValueKind::kObject) Fail(TErrorCode::kTypeMismatch, "Class instance expected", *args[0]);
    TValue object = *target.cell;
    *target.cell = TValue::Object(nullptr);
    FreeObject(object, node);
    return true;
  }
  if (name == "assigned") {
    count(1, 1);
    TValue value = Evaluate(*args[0]);
    result = TValue::Boolean(value.Kind() == TValueKind::kObject && value.AsObject());
    return true;
  }
  // Type casts.
  if (name == "integer" || name == "longint" || name == "int64" || name == "char" || name == "boolean" ||
      name == "double" || name == "string" || name == "byte") {
    count(1, 1);
    TValue value = Evaluate(*args[0]);
    auto ordinal = OrdinalOf(value);
    if (name == "double") {
      if (!value.IsNumeric()) Fail(TErrorCode::kTypeMismatch, "Invalid type cast", node);
      result = TValue::Float(value.AsFloat());
    } else if (name == "string") {
      if (value.Kind() != TValueKind::kString) Fail(TErrorCode::kTypeMismatch, "Invalid type cast", node);
      result = value;
    } else if (!ordinal) {
      Fail(TErrorCode::kTypeMismatch, "Invalid type cast", node);
    } else if (name == "char") {
      result = TValue::String(std::string(1, static_cast<char>(*ordinal & 0xFF)));
    } else if (name == "boolean") {
      result = TValue::Boolean(*ordinal != 0);
    } else if (name == "int64") {
      result = TValue::Integer(*ordinal);
    } else if (name == "byte") {
      result = TValue::Integer(static_cast<uint8_t>(*ordinal));
    } else {
      result = TValue::Integer(static_cast<int32_t>(static_cast<uint32_t>(*ordinal)));
    }
    return true;
  }
  return false;
}

// Objects.

void TInterpreter::FailBuiltin(const TBuiltinError& error, const TNode& at) const {
  TScriptError scriptError(error.code, error.what(), at.line, at.column, error.code != TErrorCode::kTypeMismatch);
  if (!error.exceptionClass.empty()) scriptError.SetExceptionClass(error.exceptionClass);
  throw scriptError;
}

TObjectData& TInterpreter::LiveObject(const TValue& value, const TNode& at) const {
  if (value.Kind() != TValueKind::kObject) Fail(TErrorCode::kTypeMismatch, "Class instance expected", at);
  if (!value.AsObject() || value.AsObject()->freed) {
    TScriptError error(TErrorCode::kRuntime, value.AsObject() ? "Access violation: the object was freed" : "Access violation: the object is nil",
                       at.line, at.column, true);
    error.SetExceptionClass("EAccessViolation");
    throw error;
  }
  return *value.AsObject();
}

void TInterpreter::FreeObject(const TValue& value, const TNode& at) {
  if (value.Kind() != TValueKind::kObject) Fail(TErrorCode::kTypeMismatch, "Class instance expected", at);
  if (!value.AsObject()) return;  // Free on nil does nothing, as TObject.Free
  if (value.AsObject()->freed) {
    TScriptError error(TErrorCode::kRuntime, "Invalid pointer operation: the object was already freed", at.line, at.column, true);
    error.SetExceptionClass("EInvalidPointer");
    throw error;
  }
  value.AsObject()->native.reset();  // releases what the object holds (files, connections) now
  value.AsObject()->freed = true;
}

std::vector<TValue> TInterpreter::EvaluateArgs(const TNode& node, size_t first) {
  std::vector<TValue> args;
  for (size_t i = first; i < node.kids.size(); ++i) args.push_back(Evaluate(*node.kids[i]));
  return args;
}

bool TInterpreter::IsConstruction(const TNode& node) {
  if (node.kind != TNodeKind::kField || node.kids[0]->kind != TNodeKind::kName) return false;
  const std::string& className = node.kids[0]->text;
  if (FindVariable(className) || WithSubject(className)) return false;
  if (node.text == "create" && FindLibraryClass(className)) return true;
  return IsExceptionClassName(className) && (node.text == "create" || node.text == "createfmt");
}

TValue TInterpreter::ConstructObject(const TNode& node) {
  const TNode& classNode = *node.kids[0];
  if (const TNativeConstructor* constructor = FindLibraryClass(classNode.text)) {
    if (!*constructor) Fail(TErrorCode::kTypeMismatch, "Class \"" + classNode.original + "\" cannot be created", node);
    std::vector<TValue> args = EvaluateArgs(node, 1);
    try {
      return NativeValue((*constructor)(args));
    } catch (const TBuiltinError& error) {
      FailBuiltin(error, node);
    }
  }
  // An exception class: Create(message) or CreateFmt(format, [args]).
  std::vector<TValue> args;
  for (size_t i = 1; i < node.kids.size(); ++i) {
    if (node.kids[i]->kind == TNodeKind::kSetLit) {
      for (const auto& element : node.kids[i]->kids) args.push_back(Evaluate(*element));
    } else {
      args.push_back(Evaluate(*node.kids[i]));
    }
  }
  std::string message;
  if (node.text == "create") {
    if (args.size() != 1 || args[0].Kind() != TValueKind::kString)
      Fail(TErrorCode::kTypeMismatch, "Exception.Create expects one string", node);
    message = args[0].AsString();
  } else {
    if (args.empty() || args[0].Kind() != TValueKind::kString)
      Fail(TErrorCode::kTypeMismatch, "Exception.CreateFmt expects a format", node);
    try {
      message = FormatText(args[0].AsString(), std::vector<TValue>(args.begin() + 1, args.end()));
    } catch (const std::invalid_argument& error) {
      Fail(TErrorCode::kConversion, error.what(), node, true);
    }
  }
  return MakeException(classNode.original, message);
}

bool TInterpreter::HasMember(const TValue& subject, const std::string& name) const {
  if (subject.Kind() == TValueKind::kRecord) {
    for (const auto& field : subject.AsRecord()->fields)
      if (field.first == name) return true;
    return false;
  }
  if (subject.Kind() != TValueKind::kObject || !subject.AsObject()) return false;
  if (name == "free" || name == "classname") return true;
  const TObjectData& object = *subject.AsObject();
  if (object.native) return object.native->HasMember(name);
  return object.properties.count(name) > 0;
}

const TInterpreter::TLvalue* TInterpreter::WithSubject(const std::string& name) {
  if (withDepth_ == 0) return nullptr;
  int symbol = Symbol(name);
  for (TFrame* frame = current_; frame; frame = frame->parent) {
    if (frame->isWith) {
      if (HasMember(*frame->withSubject.cell, name)) return &frame->withSubject;
    } else if (frame->Find(symbol)) {
      return nullptr;
    }
  }
  return nullptr;
}

TInterpreter::TFlow TInterpreter::ExecuteWith(const TNode& node) {
  // with a, b do S is with a do with b do S: each subject is evaluated inside the scopes before it.
  std::vector<std::unique_ptr<TFrame>> scopes;
  struct TRestore {
    TInterpreter& interpreter;
    TFrame* saved;
    int depth;
    ~TRestore() {
      interpreter.current_ = saved;
      interpreter.withDepth_ = depth;
    }
  } restore{*this, current_, withDepth_};
  for (size_t i = 0; i + 1 < node.kids.size(); ++i) {
    TLvalue subject = ResolveLvalue(*node.kids[i], true);
    if (subject.cell->Kind() == TValueKind::kObject) LiveObject(*subject.cell, *node.kids[i]);
    else if (subject.cell->Kind() != TValueKind::kRecord)
      Fail(TErrorCode::kTypeMismatch, "Expression type must be class or record type", *node.kids[i]);
    auto scope = std::make_unique<TFrame>();
    scope->isWith = true;
    scope->withSubject = subject;
    scope->parent = current_;
    current_ = scope.get();
    ++withDepth_;
    scopes.push_back(std::move(scope));
  }
  return Execute(*node.kids.back());
}

TValue TInterpreter::ReadMember(const TLvalue& owner, const TNode& at, const std::string& name,
                                const std::vector<TValue>& args, bool hasArgs) {
  const TValue& subject = *owner.cell;
  std::string shown = at.original.empty() ? name : at.original;
  if (subject.Kind() == TValueKind::kRecord && !hasArgs) return *RecordField(owner, at).cell;
  if (subject.Kind() == TValueKind::kObject) {
    if (name == "free" && args.empty()) {
      FreeObject(subject, at);
      return TValue();
    }
    TObjectData& object = LiveObject(subject, at);
    if (name == "classname" && args.empty()) return TValue::String(object.className);
    if (object.native) {
      try {
        if (!hasArgs)
          if (auto value = object.native->GetProperty(name, {})) return *value;
        if (auto value = object.native->CallMethod(name, args)) return *value;
      } catch (const TBuiltinError& error) {
        FailBuiltin(error, at);
      }
    } else if (!hasArgs) {
      auto found = object.properties.find(name);
      if (found != object.properties.end()) return found->second;
    }
  }
  Fail(TErrorCode::kUnknownIdentifier, "Identifier idents no member \"" + shown + "\"", at);
}

TValue TInterpreter::ReadIndexed(const TLvalue& owner, const TNode& at, const std::string& name, const TValue& index) {
  TObjectData& object = LiveObject(*owner.cell, at);
  if (object.native) {
    try {
      if (auto value = object.native->GetProperty(name, {index})) return *value;
    } catch (const TBuiltinError& error) {
      FailBuiltin(error, at);
    }
  }
  // Not an indexed property: index what the member gives (a string, an array, an object's default).
  return IndexValue(ReadMember(owner, at, name, {}, false), index, at);
}

TValue TInterpreter::IndexValue(const TValue& base, const TValue& indexValue, const TNode& node) {
  if (base.Kind() == TValueKind::kObject) {
    TObjectData& object = LiveObject(base, node);
    std::string property = object.native ? object.native->DefaultProperty() : std::string();
    if (property.empty()) Fail(TErrorCode::kTypeMismatch, "Array type required", node);
    TLvalue owner{std::make_shared<TValue>(base), VariantType(), true};
    return ReadIndexed(owner, node, property, indexValue);
  }
  auto index = OrdinalOf(indexValue);
  const TNode& indexNode = node.kids.size() > 1 ? *node.kids[1] : node;
  if (base.Kind() == TValueKind::kString) {
    if (!index) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", indexNode);
    if (*index < 1 || *index > static_cast<int64_t>(base.AsString().size()))
      Fail(TErrorCode::kRangeError, "Range check error", indexNode, true);
    return TValue::String(std::string(1, base.AsString()[*index - 1]));
  }
  if (base.Kind() != TValueKind::kArray) Fail(TErrorCode::kTypeMismatch, "Array type required", node);
  if (!index) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", indexNode);
  int64_t position = *index - base.AsArray()->low;
  if (position < 0 || position >= static_cast<int64_t>(base.AsArray()->items.size()))
    Fail(TErrorCode::kRangeError, "Range check error", indexNode, true);
  return *base.AsArray()->items[position];
}

void TInterpreter::WriteMember(const TValue& owner, const TNode& at, const std::string& name,
                               const std::vector<TValue>& indexes, const TValue& value) {
  TObjectData& object = LiveObject(owner, at);
  std::string shown = at.original.empty() ? name : at.original;
  if (object.native) {
    bool written = false;
    try {
      written = object.native->SetProperty(name, indexes, value);
    } catch (const TBuiltinError& error) {
      FailBuiltin(error, at);
    }
    if (written) return;
    if (object.native->HasMember(name))
      Fail(TErrorCode::kTypeMismatch, "No member is provided to access property \"" + shown + "\"", at);
  } else if (indexes.empty()) {
    auto found = object.properties.find(name);
    if (found != object.properties.end()) {
      if (found->second.Kind() == TValueKind::kString && value.Kind() != TValueKind::kString)
        Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(value) + "\" expected \"String\"", at);
      found->second = value;
      return;
    }
  }
  Fail(TErrorCode::kUnknownIdentifier, "Identifier idents no member \"" + shown + "\"", at);
}

void TInterpreter::Sleep(const TNode& node) {
  // The built-in Sleep, taken in short turns so that a stop does not wait for its end.
  constexpr int64_t kTurnMilliseconds = 50;
  const TBuiltinFunction& sleep = *FindBuiltin("sleep");
  std::vector<TValue> args = EvaluateArgs(node, 0);
  try {
    if (args.size() != 1 || args[0].Kind() != TValueKind::kInteger) {
      sleep(args);  // refuses the arguments as a plain call does
      return;
    }
    for (int64_t left = std::clamp<int64_t>(args[0].AsInteger(), 0, kMaxSleepMilliseconds); left > 0;
         left -= kTurnMilliseconds) {
      if (host_.stopRequested()) Fail(TErrorCode::kStopped, "stopped", node);
      sleep({TValue::Integer(std::min(left, kTurnMilliseconds))});
    }
  } catch (const TBuiltinError& error) {
    FailBuiltin(error, node);
  }
}

bool TInterpreter::CallDialog(const TNode& node, TValue& result) {
  const std::string& name = node.text;
  if (name != "showmessage" && name != "inputbox" && name != "messagedlg") return false;
  std::vector<TValue> args = EvaluateArgs(node, 0);
  auto count = [&](size_t low, size_t high) {
    if (args.size() < low || args.size() > high)
      Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  };
  auto text = [&](size_t i) -> const std::string& {
    if (args[i].Kind() != TValueKind::kString)
      Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(args[i]) + "\" expected \"String\"", *node.kids[i]);
    return args[i].AsString();
  };
  auto line = [&](const std::string& shown) {
    if (host_.output) host_.output(shown + "\n");
  };
  if (name == "showmessage") {
    count(1, 1);
    if (host_.showMessage) host_.showMessage(text(0));
    else line(text(0));
    result = TValue();
  } else if (name == "inputbox") {
    count(3, 3);
    std::optional<std::string> answer;
    if (host_.inputBox) answer = host_.inputBox(text(0), text(1), text(2));
    result = TValue::String(answer.value_or(text(2)));
  } else {
    count(3, 4);
    const std::string& message = text(0);
    if (args[1].Kind() != TValueKind::kInteger || args[1].AsInteger() < 0 ||
        args[1].AsInteger() > static_cast<int64_t>(TMsgDlgType::kCustom))
      Fail(TErrorCode::kTypeMismatch, "Incompatible types: TMsgDlgType expected", *node.kids[1]);
    if (args[2].Kind() != TValueKind::kSet)
      Fail(TErrorCode::kTypeMismatch, "Incompatible types: TMsgDlgButtons expected", *node.kids[2]);
    if (args.size() == 4 && args[3].Kind() != TValueKind::kInteger)
      Fail(TErrorCode::kTypeMismatch, "Incompatible types: got \"" + KindName(args[3]) + "\" expected \"LongInt\"", *node.kids[3]);
    std::vector<TMsgDlgBtn> buttons = ButtonsOf(args[2].AsSet());
    int modalResult;
    if (host_.messageDlg) {
      modalResult = host_.messageDlg(message, static_cast<TMsgDlgType>(args[1].AsInteger()), buttons);
    } else {
      line(message);
      modalResult = buttons.empty() ? kMrNone : ModalResultOf(buttons.front());
    }
    result = TValue::Integer(modalResult);
  }
  return true;
}

}  // namespace varnelo::pascal
