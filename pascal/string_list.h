#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/memory_budget.h"
#include "pascal/native_object.h"

namespace varnelo::pascal {

// The library's TStringList, behaving as Free Pascal's: case-insensitive comparisons, Text joined with
// LF, CommaText quoted with '"'. Errors are raised as TBuiltinError with Free Pascal's messages and
// exception classes.
class TStringList : public TNativeObject {
 public:
  enum class TDuplicates { kIgnore = 0, kAccept = 1, kError = 2 };

  TStringList() = default;
  explicit TStringList(std::vector<std::string> lines);

  // C++ side.
  const std::vector<std::string>& Lines() const { return lines_; }
  int Add(const std::string& line);
  std::string Text() const;
  void SetText(const std::string& text);
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);
  int IndexOf(const std::string& line) const;
  int IndexOfName(const std::string& name) const;
  void Sort();

  // Script side.
  std::string ClassName() const override { return "TStringList"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;
  std::string DefaultProperty() const override { return "strings"; }

 private:
  size_t CheckedIndex(const TValue& index) const;
  void CheckUnsorted() const;
  // Binary search of a sorted list: the position of `line` or where it would go.
  bool Find(const std::string& line, size_t& position) const;
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  // Every change of the lines goes through these, so that the memory budget sees it.
  void InsertLine(size_t position, const std::string& line);
  void ReplaceLine(size_t position, const std::string& line);
  void EraseLine(size_t position);
  void ClearLines();

  std::vector<std::string> lines_;
  TBudgetCharge charge_;
  bool sorted_ = false;
  TDuplicates duplicates_ = TDuplicates::kIgnore;
  char delimiter_ = ',';
  char quoteChar_ = '"';
  bool strictDelimiter_ = false;
};

}  // namespace varnelo::pascal
