#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pascal/ast.h"
#include "pascal/errors.h"
#include "pascal/value.h"

namespace varnelo::pascal {

// What the interpreter asks of its host. Every member may be left empty.
struct TInterpreterHost {
  // Asked for an identifier the script does not declare (name as written); nullopt means unknown.
  std::function<std::optional<TValue>(const std::string& name)> unknownIdentifier;
  // Asked for the source of a unit the interpreter does not provide itself; nullopt means missing.
  std::function<std::optional<std::string>(const std::string& unitName)> unitSource;
  // Called after each statement; returning false stops the run with the error "stopped".
  std::function<bool()> afterStatement;
  // Receives the text of Write and WriteLn.
  std::function<void(const std::string& text)> output;
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

 private:
  struct TFrame;
  struct TLvalue {
    TCell cell;
    TTypeRef type;
  };
  enum class TFlow { kNormal, kBreak, kContinue, kExit };
  struct TRaised;

  void LoadUnit(const std::string& name, int line, int column, int nesting);
  void EnterBlock(TFrame& frame, const TBlock& block);
  TValue DefaultValue(const TTypeRef& type) const;
  TValue Coerce(const TValue& value, const TTypeRef& type, const TNode& at) const;

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
  TValue EvaluateUnary(const TNode& node);
  TValue EvaluateSet(const TNode& node);
  TValue EvaluateIndex(const TNode& node);
  TValue EvaluateField(const TNode& node);
  TValue EvaluateName(const TNode& node, bool asStatement);
  TValue EvaluateCall(const TNode& node, bool asStatement);
  bool CallSpecial(const TNode& node, TValue& result);
  TValue CallRoutine(const TRoutine& routine, TFrame* parent, const std::vector<const TNode*>& args, const TNode& at);
  void Write(const TNode& node, bool newLine);

  TLvalue ResolveLvalue(const TNode& node);
  TLvalue* FindVariable(const std::string& name);
  std::pair<const TRoutine*, TFrame*> FindRoutine(const std::string& name);
  const TNode* FindConstType(const std::string& name) const;
  void CheckStack(const TNode& at);
  [[noreturn]] void Fail(TErrorCode code, const std::string& text, const TNode& at, bool catchable = false) const;

  TInterpreterHost host_;
  int maxCallDepth_ = kDefaultMaxCallDepth;
  int callDepth_ = 0;
  const char* stackLimit_ = nullptr;
  TFrame* current_ = nullptr;
  std::vector<std::unique_ptr<TFrame>> unitFrames_;
  std::vector<TProgram> programs_;  // keeps the trees of the program and its units alive
  std::vector<std::string> loadedUnits_;
  std::vector<TValue> handling_;  // exceptions being handled, for a bare raise
  std::string* unflushedWrite_ = nullptr;  // what the Write being evaluated has not sent yet
};

}  // namespace varnelo::pascal
