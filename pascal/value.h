#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace varnelo::pascal {

class TValue;
using TCell = std::shared_ptr<TValue>;

// Elements live in their own cells so a var parameter can keep referring to one element safely.
struct TArrayData {
  int64_t low = 0;
  std::vector<TCell> items;
};

struct TRecordData {
  std::vector<std::pair<std::string, TCell>> fields;  // lower-case names, declaration order
};

class TNativeObject;

struct TObjectData {
  std::string className;
  std::map<std::string, TValue> properties;  // lower-case names
  // Set for an object of a library class: it holds the state and answers for its members.
  std::shared_ptr<TNativeObject> native;
  // Set by Free: using the object afterwards is an error of the script, not a crash.
  bool freed = false;
};

enum class TValueKind { kEmpty, kNull, kInteger, kFloat, kString, kBoolean, kObject, kSet, kArray, kRecord };

// A script value. Dynamic arrays and objects are shared on copy (references, as in the language);
// static arrays and records are copied deeply by DeepCopy where the language copies them.
class TValue {
 public:
  TValue() = default;
  static TValue Null();
  static TValue Integer(int64_t value);
  static TValue Float(double value);
  static TValue String(std::string value);
  static TValue Boolean(bool value);
  static TValue Object(std::shared_ptr<TObjectData> object);
  static TValue Set(std::bitset<256> bits);
  static TValue Array(std::shared_ptr<TArrayData> array, bool dynamic);
  static TValue Record(std::shared_ptr<TRecordData> record);
  // An integer that is a value of an enumeration; names are its type's value names.
  static TValue Enumerated(int64_t ordinal, std::shared_ptr<const std::vector<std::string>> names);

  TValueKind Kind() const { return kind_; }
  bool IsNumeric() const { return kind_ == TValueKind::kInteger || kind_ == TValueKind::kFloat; }
  int64_t AsInteger() const { return integer_; }
  double AsFloat() const { return kind_ == TValueKind::kFloat ? float_ : static_cast<double>(integer_); }
  const std::string& AsString() const { return string_; }
  // For appending to a string variable in place instead of copying it on every `s := s + ...`.
  std::string& MutableString() { return string_; }
  bool AsBoolean() const { return integer_ != 0; }
  const std::shared_ptr<TObjectData>& AsObject() const { return object_; }
  const std::bitset<256>& AsSet() const { return set_; }
  const std::shared_ptr<TArrayData>& AsArray() const { return array_; }
  bool IsDynamicArray() const { return dynamic_; }
  const std::shared_ptr<TRecordData>& AsRecord() const { return record_; }
  // Null unless the value is of an enumeration.
  const std::shared_ptr<const std::vector<std::string>>& EnumNames() const { return enumNames_; }

  // A copy that shares nothing mutable with this value, except dynamic arrays and objects.
  TValue DeepCopy() const;

 private:
  TValueKind kind_ = TValueKind::kEmpty;
  int64_t integer_ = 0;
  double float_ = 0;
  std::string string_;
  std::shared_ptr<TObjectData> object_;
  std::bitset<256> set_;
  std::shared_ptr<TArrayData> array_;
  bool dynamic_ = false;
  std::shared_ptr<TRecordData> record_;
  std::shared_ptr<const std::vector<std::string>> enumNames_;
};

}  // namespace varnelo::pascal
