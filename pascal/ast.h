#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace varnelo::pascal {

// Declared types are resolved while parsing, so the evaluator only sees their shapes.
struct TTypeSpec {
  enum class TKind { kInteger, kInt64, kByte, kWord, kCardinal, kSmallInt, kShortInt, kDouble, kString, kChar,
                     kBoolean, kVariant, kStaticArray, kDynArray, kRecord, kEnum, kSet, kObject,
                     kTextFile };
  TKind kind = TKind::kVariant;
  int64_t low = 0;
  int64_t high = 0;
  std::shared_ptr<TTypeSpec> element;
  std::vector<std::pair<std::string, std::shared_ptr<TTypeSpec>>> fields;
  std::string name;
  // An enumeration's value names as declared, which Write prints.
  std::shared_ptr<const std::vector<std::string>> enumNames;
};
using TTypeRef = std::shared_ptr<TTypeSpec>;

enum class TNodeKind {
  // expressions
  kIntLit, kRealLit, kStrLit, kNil, kName, kBinary, kUnary, kCall, kIndex, kField, kSetLit, kRange,
  // statements
  kCompound, kAssign, kCallStmt, kIf, kWhile, kRepeat, kFor, kCase, kCaseArm, kBreak, kContinue, kExit,
  kTryExcept, kTryFinally, kOnHandler, kRaise, kEmpty,
  kWith,  // kids: the subjects, then the body
};

// One node of the tree; every node knows where it came from.
struct TNode {
  TNodeKind kind;
  int line = 0;
  int column = 0;
  std::string text;  // names (lower case), operators, string literals, class names
  std::string original;  // names as written
  int64_t integer = 0;
  double real = 0;
  bool flag = false;  // for: downto; field: has call arguments
  std::vector<std::unique_ptr<TNode>> kids;
  TTypeRef type;  // also: the enumeration a name or a cast denotes (Low(TColor), TColor(1))
  // For Unit.Member: the member alone, used when the qualifier names no variable.
  std::shared_ptr<TNode> unqualified;
  // Filled in by the interpreter on first use, so that names and operators are not compared as text again.
  mutable int symbol = -1;
  mutable int opcode = -1;
  // Where a name was found among the frames of the call chain, valid while the chain has the layout it was
  // found in (frames of the same routines, complete): the frame counted from the innermost, and the slot.
  mutable const void* slotLayout = nullptr;
  mutable int slotDepth = 0;
  mutable int slotIndex = 0;
  mutable bool slotHidden = false;  // a function of the same name comes first: its name is its result
  // What a call reaches, valid for the same layout and the same number of loaded units.
  enum class TCallKind : uint8_t { kUnknown, kRoutine, kBuiltin };
  mutable TCallKind callKind = TCallKind::kUnknown;
  mutable const void* callLayout = nullptr;
  mutable size_t callUnits = 0;
  mutable const void* callTarget = nullptr;  // the routine (its first overload), or the built-in function
  mutable int callDepth = -1;  // the frame holding the routine, counted from the innermost; -1: callFrame
  mutable void* callFrame = nullptr;  // the unit's frame holding the routine
};
using TNodePtr = std::unique_ptr<TNode>;

enum class TParamMode { kValue, kVar, kConst, kOut };

struct TParam {
  std::string name;
  TParamMode mode = TParamMode::kValue;
  TTypeRef type;
  std::shared_ptr<TNode> defaultValue;  // null when the argument is required
  mutable int symbol = -1;  // the interpreter's number for the name, on first use
};

struct TRoutine;

struct TVarDecl {
  std::string name;
  TTypeRef type;
  TNodePtr initial;
  mutable int symbol = -1;  // the interpreter's number for the name, on first use
};

struct TConstDecl {
  std::string name;
  TNodePtr value;
  TTypeRef type;
  mutable int symbol = -1;  // the interpreter's number for the name, on first use
};

// The declarations of a program, unit or routine, kept in declaration order.
struct TBlock {
  std::vector<TConstDecl> consts;
  std::vector<TVarDecl> vars;
  std::map<std::string, std::shared_ptr<TRoutine>> routines;
  TNodePtr body;  // compound statement, may be null for a unit without initialization
};

struct TRoutine {
  std::string name;
  int line = 0;
  int column = 0;
  std::vector<TParam> params;
  TTypeRef result;  // null for a procedure
  bool defined = false;
  bool overloaded = false;
  std::shared_ptr<TBlock> block;
  // The next routine of the same name with another parameter list.
  std::shared_ptr<TRoutine> nextOverload;
};

struct TProgram {
  std::vector<std::string> uses;         // lower case
  std::vector<std::string> usesSpelled;  // as written, for the host that finds unit files
  std::vector<std::pair<int, int>> usesPositions;
  std::shared_ptr<TBlock> block;
};

}  // namespace varnelo::pascal
