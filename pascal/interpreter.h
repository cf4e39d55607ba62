#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pascal/ast.h"
#include "pascal/builtins.h"
#include "pascal/dialogs.h"
#include "pascal/errors.h"
#include "pascal/memory_budget.h"
#include "pascal/value.h"

namespace varnelo::pascal {

class TTextFile;

// What the interpreter asks of its host. Every member may be left empty.
struct TInterpreterHost {
  // Asked for an identifier the script does not declare (name as written); nullopt means unknown.
  std::function<std::optional<TValue>(const std::string& name)> unknownIdentifier;
  // Asked for the source of a unit the interpreter does not provide itself; nullopt means missing.
  std::function<std::optional<std::string>(const std::string& unitName)> unitSource;
  // Called after each statement; returning false stops the run with the error "stopped".
  std::function<bool()> afterStatement;
  // Asked after each statement and, in short turns, while Sleep waits; true stops the run with the
  // error "stopped", which no except or finally block of the script sees.
  std::function<bool()> stopRequested;
  // Receives the text of Write and WriteLn.
  std::function<void(const std::string& text)> output;
  // Dialogs. Left empty, ShowMessage writes its text as an output line, InputBox answers its default,
  // and MessageDlg writes its text as an output line and answers the modal result of its first button
  // (mrNone without buttons).
  std::function<void(const std::string& text)> showMessage;
  // Nullopt when the user cancels: InputBox then gives the default.
  std::function<std::optional<std::string>(const std::string& caption, const std::string& prompt,
                                           const std::string& defaultText)>
      inputBox;
  // Returns the modal result (kMrYes...).
  std::function<int(const std::string& text, TMsgDlgType type, const std::vector<TMsgDlgBtn>& buttons)> messageDlg;
};

// Runs programs of the Pascal dialect by walking their tree. One run at a time per instance.
class TInterpreter {
 public:
  explicit TInterpreter(TInterpreterHost host);
  ~TInterpreter();
  TInterpreter(const TInterpreter&) = delete;
  TInterpreter& operator=(const TInterpreter&) = delete;

  // Runs a program; returns its Result (empty when never assigned). Throws TScriptError.
  TValue Run(std::string_view source);

  static constexpr int kDefaultMaxCallDepth = 10000;
  void SetMaxCallDepth(int depth) { maxCallDepth_ = depth; }
  // What a run may hold in strings, string lists, arrays and records; more raises "Out of memory".
  static constexpr int64_t kDefaultMemoryLimit = memory_budget::kDefaultLimit;
  void SetMemoryLimit(int64_t bytes) { memoryLimit_ = bytes; }

 private:
  struct TFrame;
  struct TLvalue {
    TCell cell;
    TTypeRef type;
    bool temporary = false;  // a value computed for reading members, not a variable
  };
  enum class TFlow { kNormal, kBreak, kContinue, kExit };
  struct TRaised;

  TValue RunProgram(std::string_view source);
  void LoadUnit(const std::string& name, const std::string& spelled, int line, int column, int nesting);
  void EnterBlock(TFrame& frame, const TBlock& block);
  TValue DefaultValue(const TTypeRef& type) const;
  TValue Coerce(const TValue& value, const TTypeRef& type, const TNode& at) const;
  // Coerce for a value that is not needed afterwards.
  TValue CoerceTemporary(TValue&& value, const TTypeRef& type, const TNode& at) const;

  TFlow Execute(const TNode& node);
  TFlow ExecuteStatement(const TNode& node);
  TFlow ExecuteFor(const TNode& node);
  TFlow ExecuteCase(const TNode& node);
  TFlow ExecuteTryExcept(const TNode& node);
  TFlow ExecuteTryFinally(const TNode& node);
  void ExecuteAssign(const TNode& node);
  void Raise(const TNode& node);

  TValue Evaluate(const TNode& node);
  TValue EvaluateBinary(const TNode& node);
  // The value of a name that is a variable, read in place; null for anything else.
  const TValue* VariableValue(const TNode& node);
  TValue EvaluateUnary(const TNode& node);
  TValue EvaluateSet(const TNode& node);
  TValue EvaluateIndex(const TNode& node);
  TValue EvaluateField(const TNode& node);
  TValue EvaluateName(const TNode& node, bool asStatement);
  TValue EvaluateCall(const TNode& node, bool asStatement);
  bool CallSpecial(const TNode& node, TValue& result);
  TValue CallRoutine(const TRoutine& routine, TFrame* parent, std::span<const TNode* const> args, const TNode& at);
  void Write(const TNode& node, bool newLine);

  // Text files (AssignFile, Reset, ReadLn, Eof...); false when node calls none of them.
  bool CallFileRoutine(const TNode& node, TValue& result);
  void ReadFromFile(TTextFile& file, const TNode& node, bool line);
  // TryStrToInt, TryStrToInt64 and TryStrToFloat; false when node calls none of them.
  bool CallTryConversion(const TNode& node, TValue& result);
  // Succ, Pred, Low, High and casts on enumerations; false when node is none of them.
  bool CallEnumRoutine(const TNode& node, TValue& result);
  // The routine of first's overloads that fits the arguments best, as Delphi picks it.
  const TRoutine& SelectOverload(const TRoutine& first, std::span<const TNode* const> args, const TNode& at);
  TTypeRef StaticType(const TNode& node);
  // Whether shl/shr on this operand work on 32 bits: an Integer variable or function, not a constant.
  bool ShiftsIn32Bits(const TNode& operand);
  // The member of Unit.Member when Unit is no variable of the script; null otherwise.
  const TNode* UnqualifiedName(const TNode& node);
  [[noreturn]] void RaiseObject(const TValue& object, const TNode& at);

  // `loose` also accepts what is not a variable (calls, properties), as a temporary: the owner of a member.
  TLvalue ResolveLvalue(const TNode& node, bool loose = false);
  // The variable a name denotes in the frames of the call chain, for reading and writing in place; null when
  // ResolveLvalue must decide (with, constants, a function's own name, unit variables, unknown names).
  TLvalue* PlainVariable(const TNode& node);

  // Objects.
  TFlow ExecuteWith(const TNode& node);
  const TLvalue* WithSubject(const std::string& name);
  bool HasMember(const TValue& subject, const std::string& name) const;
  TObjectData& LiveObject(const TValue& value, const TNode& at) const;
  TValue ConstructObject(const TNode& node);
  TValue ReadMember(const TLvalue& owner, const TNode& at, const std::string& name, const std::vector<TValue>& args, bool hasArgs);
  TValue ReadIndexed(const TLvalue& owner, const TNode& at, const std::string& name, const TValue& index);
  void WriteMember(const TValue& owner, const TNode& at, const std::string& name, const std::vector<TValue>& indexes, const TValue& value);
  TValue IndexValue(const TValue& base, const TValue& index, const TNode& node);
  TLvalue RecordField(const TLvalue& owner, const TNode& node);
  TLvalue ArrayElement(const TLvalue& base, const TNode& indexNode, const TNode& at);
  bool IsConstruction(const TNode& node);
  [[noreturn]] void FailBuiltin(const TBuiltinError& error, const TNode& at) const;
  std::vector<TValue> EvaluateArgs(const TNode& node, size_t first);
  void FreeObject(const TValue& value, const TNode& at);
  bool CallDialog(const TNode& node, TValue& result);
  void Sleep(const TNode& node);
  TLvalue* FindVariable(const std::string& name);
  TLvalue* FindVariable(int symbol);
  // The variable or constant a name denotes in the frames of the call chain (not the units'), looked up once per
  // layout of the chain; null when none. `hidden`: a function of the same name comes first in the chain.
  TLvalue* ChainVariable(const TNode& node, bool* isConst = nullptr, bool* hidden = nullptr);
  // An integer expression of literals and integer variables computed without building values; false (having
  // changed nothing) when the expression is anything else, for Evaluate to do.
  bool TryInteger(const TNode& node, int64_t& value);
  // A comparison of such expressions; false when Evaluate must decide.
  bool TryCondition(const TNode& node, bool& value);
  // The routine a call or a name reaches and the frame it belongs to; null when no routine of the script.
  const TRoutine* RoutineOfCall(const TNode& node, TFrame*& frame);
  // A cell for a frame's variable, reused from frames that ended.
  TCell NewCell(TValue value);
  // Names are numbered once per interpreter, so scopes compare numbers instead of text.
  int Symbol(const std::string& name);
  int SymbolOf(const TNode& node);
  std::pair<const TRoutine*, TFrame*> FindRoutine(const std::string& name);
  const TNode* FindConstType(const std::string& name) const;
  void CheckStack(const TNode& at);
  [[noreturn]] void Fail(TErrorCode code, const std::string& text, const TNode& at, bool catchable = false) const;

  TInterpreterHost host_;
  std::unordered_map<std::string, int> symbols_;
  int resultSymbol_ = Symbol("result");
  int maxCallDepth_ = kDefaultMaxCallDepth;
  int64_t memoryLimit_ = kDefaultMemoryLimit;
  int callDepth_ = 0;
  const char* stackLimit_ = nullptr;
  TFrame* current_ = nullptr;
  std::vector<TCell> spareCells_;
  std::vector<std::vector<TValue>> spareArgs_;  // argument lists of built-in calls, reused
  std::vector<std::unique_ptr<TFrame>> unitFrames_;
  std::vector<TProgram> programs_;  // keeps the trees of the program and its units alive
  std::vector<std::string> loadedUnits_;
  std::vector<TValue> handling_;  // exceptions being handled, for a bare raise
  int withDepth_ = 0;  // active with statements; none spares the member lookup of every name
  std::string* unflushedWrite_ = nullptr;  // what the Write being evaluated has not sent yet
};

}  // namespace varnelo::pascal
