// Overload resolution, unit-qualified names and the ordinal routines on enumerations.
#include <string>

#include "pascal/builtins.h"
#include "pascal/interpreter.h"

namespace varnelo::pascal {

namespace {

using K = TTypeSpec::TKind;

const TTypeRef& TypeOf(K kind) {
  static const std::map<K, TTypeRef> types = [] {
    std::map<K, TTypeRef> made;
    for (K k : {K::kInteger, K::kDouble, K::kString, K::kChar, K::kBoolean, K::kObject, K::kSet, K::kDynArray,
                K::kRecord, K::kVariant}) {
      auto type = std::make_shared<TTypeSpec>();
      type->kind = k;
      made[k] = type;
    }
    return made;
  }();
  return types.at(kind);
}

bool IsIntegerKind(K kind) {
  return kind == K::kInteger || kind == K::kInt64 || kind == K::kByte || kind == K::kWord || kind == K::kCardinal ||
         kind == K::kSmallInt || kind == K::kShortInt;
}

TTypeRef TypeOfValue(const TValue& value) {
  switch (value.Kind()) {
    case TValueKind::kInteger: return TypeOf(K::kInteger);
    case TValueKind::kFloat: return TypeOf(K::kDouble);
    case TValueKind::kString: return TypeOf(value.AsString().size() == 1 ? K::kChar : K::kString);
    case TValueKind::kBoolean: return TypeOf(K::kBoolean);
    case TValueKind::kObject: return TypeOf(K::kObject);
    case TValueKind::kSet: return TypeOf(K::kSet);
    case TValueKind::kArray: return TypeOf(K::kDynArray);
    case TValueKind::kRecord: return TypeOf(K::kRecord);
    default: return nullptr;
  }
}

// What the built-in functions return, for choosing among overloads without calling anything twice.
TTypeRef BuiltinResultType(const std::string& name) {
  static const std::map<std::string, K> results = {
      {"inttostr", K::kString},   {"floattostr", K::kString}, {"copy", K::kString},      {"uppercase", K::kString},
      {"lowercase", K::kString},  {"trim", K::kString},       {"format", K::kString},    {"stringreplace", K::kString},
      {"quotedstr", K::kString},  {"length", K::kInteger},    {"pos", K::kInteger},      {"ord", K::kInteger},
      {"round", K::kInteger},     {"trunc", K::kInteger},     {"strtoint", K::kInteger}, {"strtointdef", K::kInteger},
      {"strtofloat", K::kDouble}, {"sqrt", K::kDouble},       {"chr", K::kChar},         {"odd", K::kBoolean},
      {"floor", K::kInteger},     {"ceil", K::kInteger},      {"power", K::kDouble},     {"exp", K::kDouble},
      {"ln", K::kDouble},         {"frac", K::kDouble},       {"int", K::kDouble},       {"strtofloatdef", K::kDouble},
      {"strtoint64", K::kInt64},  {"upcase", K::kChar},       {"inttohex", K::kString},  {"stringofchar", K::kString},
      {"leftstr", K::kString},    {"rightstr", K::kString},   {"midstr", K::kString},    {"booltostr", K::kString},
      {"gettempdir", K::kString}, {"changefileext", K::kString}, {"fileexists", K::kBoolean}};
  auto found = results.find(name);
  return found == results.end() ? nullptr : TypeOf(found->second);
}

// How well an argument of type `arg` fits a parameter: higher is better, negative means not at all.
int FitScore(const TParam& param, const TTypeRef& arg, bool isVariable) {
  K want = param.type->kind;
  if (param.mode == TParamMode::kVar || param.mode == TParamMode::kOut) {
    if (!isVariable) return -1;
    if (!arg || want == K::kVariant) return 1;
    return arg->kind == want ? 4 : -1;
  }
  if (want == K::kVariant || !arg) return 1;
  K have = arg->kind;
  if (have == K::kEnum || want == K::kEnum) return have == want && arg->enumNames == param.type->enumNames ? 4 : -1;
  if (have == want) return 4;
  if (IsIntegerKind(have)) return IsIntegerKind(want) ? (want == K::kInteger ? 3 : 2) : want == K::kDouble ? 1 : -1;
  if (have == K::kChar) return want == K::kString ? 2 : -1;
  if (have == K::kDynArray || have == K::kStaticArray) return want == K::kDynArray || want == K::kStaticArray ? 2 : -1;
  return -1;
}

}  // namespace

bool TInterpreter::ShiftsIn32Bits(const TNode& operand) {
  // Free Pascal folds constants and negations in 64 bits but shifts an Integer where it is stored.
  if (operand.kind != TNodeKind::kName && operand.kind != TNodeKind::kIndex && operand.kind != TNodeKind::kField &&
      operand.kind != TNodeKind::kCall)
    return false;
  TTypeRef type = StaticType(operand);
  return type && type->kind == K::kInteger;
}

TTypeRef TInterpreter::StaticType(const TNode& node) {
  switch (node.kind) {
    case TNodeKind::kIntLit: return TypeOf(K::kInteger);
    case TNodeKind::kRealLit: return TypeOf(K::kDouble);
    case TNodeKind::kStrLit: return TypeOf(node.text.size() == 1 ? K::kChar : K::kString);
    case TNodeKind::kNil: return TypeOf(K::kObject);
    case TNodeKind::kSetLit: return TypeOf(K::kSet);
    case TNodeKind::kName:
      if (TLvalue* variable = FindVariable(node.text))
        return variable->type && variable->type->kind != K::kVariant ? variable->type : TypeOfValue(*variable->cell);
      if (auto [routine, frame] = FindRoutine(node.text); routine) return routine->result;
      if (auto constant = BuiltinConstant(node.text)) return TypeOfValue(*constant);
      return nullptr;
    case TNodeKind::kCall:
      if (node.type && node.type->kind == K::kEnum) return node.type;
      if (auto [routine, frame] = FindRoutine(node.text); routine) return routine->result;
      return BuiltinResultType(node.text);
    case TNodeKind::kUnary: return StaticType(*node.kids[0]);
    case TNodeKind::kIndex: {
      TTypeRef base = StaticType(*node.kids[0]);
      if (!base) return nullptr;
      if (base->kind == K::kString) return TypeOf(K::kChar);
      return base->element;
    }
    case TNodeKind::kBinary: {
      const std::string& op = node.text;
      if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=" || op == "in")
        return TypeOf(K::kBoolean);
      if (op == "/") return TypeOf(K::kDouble);
      TTypeRef left = StaticType(*node.kids[0]);
      TTypeRef right = StaticType(*node.kids[1]);
      if (!left || !right) return nullptr;
      if (IsIntegerKind(left->kind) && IsIntegerKind(right->kind)) return TypeOf(K::kInteger);
      if (left->kind == K::kBoolean && right->kind == K::kBoolean) return TypeOf(K::kBoolean);
      if (op == "div" || op == "mod" || op == "shl" || op == "shr") return nullptr;
      bool leftText = left->kind == K::kString || left->kind == K::kChar;
      bool rightText = right->kind == K::kString || right->kind == K::kChar;
      if (op == "+" && leftText && rightText) return TypeOf(K::kString);
      bool leftNumber = IsIntegerKind(left->kind) || left->kind == K::kDouble;
      bool rightNumber = IsIntegerKind(right->kind) || right->kind == K::kDouble;
      if (leftNumber && rightNumber) return TypeOf(K::kDouble);
      return nullptr;
    }
    default: return nullptr;
  }
}

const TRoutine& TInterpreter::SelectOverload(const TRoutine& first, std::span<const TNode* const> args,
                                             const TNode& at) {
  if (!first.nextOverload) return first;
  std::vector<TTypeRef> types;
  bool allKnown = true;
  for (const TNode* arg : args) {
    types.push_back(StaticType(*arg));
    allKnown = allKnown && types.back();
  }
  const TRoutine* best = nullptr;
  int bestScore = -1;
  bool tie = false;
  for (const TRoutine* routine = &first; routine; routine = routine->nextOverload.get()) {
    size_t required = 0;
    while (required < routine->params.size() && !routine->params[required].defaultValue) ++required;
    if (args.size() < required || args.size() > routine->params.size()) continue;
    int score = 0;
    for (size_t i = 0; i < args.size() && score >= 0; ++i) {
      bool isVariable = args[i]->kind == TNodeKind::kName || args[i]->kind == TNodeKind::kIndex ||
                        args[i]->kind == TNodeKind::kField;
      int fit = FitScore(routine->params[i], types[i], isVariable);
      score = fit < 0 ? -1 : score + fit;
    }
    // An argument left to its default counts less than one given.
    if (score < 0) continue;
    score = score * 2 - static_cast<int>(routine->params.size() - args.size());
    if (score > bestScore) {
      best = routine;
      bestScore = score;
      tie = false;
    } else if (score == bestScore) {
      tie = true;
    }
  }
  if (!best) Fail(TErrorCode::kTypeMismatch, "Can't determine which overloaded function to call", at);
  // With every argument's type known, two equal fits are ambiguous; otherwise the first declared wins.
  if (tie && allKnown) Fail(TErrorCode::kTypeMismatch, "Can't determine which overloaded function to call", at);
  return *best;
}

const TNode* TInterpreter::UnqualifiedName(const TNode& node) {
  if (node.kind != TNodeKind::kField || !node.unqualified) return nullptr;
  const std::string& qualifier = node.kids[0]->text;
  // A variable or routine named like a unit (DB, Math...) keeps its members.
  if (FindVariable(qualifier) || FindRoutine(qualifier).first) return nullptr;
  return node.unqualified.get();
}

bool TInterpreter::CallEnumRoutine(const TNode& node, TValue& result) {
  const std::string& name = node.text;
  const auto& args = node.kids;
  if (node.type && node.type->kind == K::kEnum) {  // TColor(1)
    if (args.size() != 1) Fail(TErrorCode::kTypeMismatch, "Illegal type conversion", node);
    auto ordinal = OrdinalOf(Evaluate(*args[0]));
    if (!ordinal) Fail(TErrorCode::kTypeMismatch, "Illegal type conversion", node);
    result = TValue::Enumerated(*ordinal, node.type->enumNames);
    return true;
  }
  if ((name == "low" || name == "high") && args.size() == 1 && args[0]->kind == TNodeKind::kName) {
    TTypeRef type = args[0]->type;
    if (TLvalue* variable = FindVariable(args[0]->text)) type = variable->type;
    if (!type || type->kind != K::kEnum) return false;
    result = TValue::Enumerated(name == "low" ? 0 : type->high, type->enumNames);
    return true;
  }
  if (name != "succ" && name != "pred") return false;
  if (args.size() != 1) Fail(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"" + node.original + "\"", node);
  TValue value = Evaluate(*args[0]);
  auto ordinal = OrdinalOf(value);
  if (!ordinal) Fail(TErrorCode::kTypeMismatch, "Ordinal expression expected", *args[0]);
  int64_t next = static_cast<int64_t>(static_cast<uint64_t>(*ordinal) + (name == "succ" ? 1 : -1));
  if (value.Kind() == TValueKind::kString) result = TValue::String(std::string(1, static_cast<char>(next)));
  else if (value.Kind() == TValueKind::kBoolean) result = TValue::Boolean(next != 0);
  else if (value.EnumNames()) result = TValue::Enumerated(next, value.EnumNames());
  else result = TValue::Integer(next);
  return true;
}

}  // namespace varnelo::pascal
