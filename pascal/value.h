#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "pascal/memory_budget.h"

namespace varnelo::pascal {

class TValue;
using TCell = std::shared_ptr<TValue>;

// Elements live in their own cells so a var parameter can keep referring to one element safely.
struct TArrayData {
  int64_t low = 0;
  std::vector<TCell> items;
  TBudgetCharge charge;  // for the element cells, taken when the array becomes a value
};

struct TRecordData {
  std::vector<std::pair<std::string, TCell>> fields;  // lower-case names, declaration order
  TBudgetCharge charge;
};

// What one element cell of an array or a record field takes besides the payload of its value.
inline constexpr int64_t kCellBytes = int64_t(sizeof(TCell) + 2 * sizeof(void*) + 64);

// What `count` cells take, without overflowing for any count.
inline int64_t CellsBytes(int64_t count) {
  return count > INT64_MAX / kCellBytes ? INT64_MAX : count < 0 ? 0 : count * kCellBytes;
}

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
  TValue() {}
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

  TValue(const TValue& other) { CopyFrom(other); }
  TValue(TValue&& other) noexcept { MoveFrom(std::move(other)); }
  TValue& operator=(const TValue& other);
  TValue& operator=(TValue&& other) noexcept;
  ~TValue() { Destroy(); }

  TValueKind Kind() const { return kind_; }
  bool IsNumeric() const { return kind_ == TValueKind::kInteger || kind_ == TValueKind::kFloat; }
  int64_t AsInteger() const { return integer_; }
  double AsFloat() const { return kind_ == TValueKind::kFloat ? float_ : static_cast<double>(integer_); }
  const std::string& AsString() const { return kind_ == TValueKind::kString ? string_ : EmptyString(); }
  // For appending to a string variable in place instead of copying it on every `s := s + ...`; a value of
  // another kind becomes an empty string first.
  void AppendString(std::string_view text);
  bool AsBoolean() const { return integer_ != 0; }
  const std::shared_ptr<TObjectData>& AsObject() const { return kind_ == TValueKind::kObject ? object_ : NoObject(); }
  const std::bitset<256>& AsSet() const { return kind_ == TValueKind::kSet ? set_ : NoSet(); }
  const std::shared_ptr<TArrayData>& AsArray() const { return kind_ == TValueKind::kArray ? array_ : NoArray(); }
  bool IsDynamicArray() const { return dynamic_; }
  const std::shared_ptr<TRecordData>& AsRecord() const { return kind_ == TValueKind::kRecord ? record_ : NoRecord(); }
  // Null unless the value is of an enumeration.
  const std::shared_ptr<const std::vector<std::string>>& EnumNames() const {
    return kind_ == TValueKind::kInteger ? enumNames_ : NoNames();
  }

  // Stores an integer in place: a loop counter or an integer variable needs no new value.
  void SetInteger(int64_t value) {
    if (kind_ == TValueKind::kInteger && !enumNames_) integer_ = value;
    else *this = Integer(value);
  }

  // A copy that shares nothing mutable with this value, except dynamic arrays and objects.
  TValue DeepCopy() const;

 private:
  static const std::string& EmptyString();
  static const std::shared_ptr<TObjectData>& NoObject();
  static const std::bitset<256>& NoSet();
  static const std::shared_ptr<TArrayData>& NoArray();
  static const std::shared_ptr<TRecordData>& NoRecord();
  static const std::shared_ptr<const std::vector<std::string>>& NoNames();
  // Which member of the union is alive follows from kind_ alone.
  void CopyFrom(const TValue& other);
  void MoveFrom(TValue&& other) noexcept;
  void Destroy() noexcept;
  void CopyPayload(const TValue& other);
  void MovePayload(TValue&& other) noexcept;
  void DestroyPayload() noexcept;
  void Become(TValueKind kind);

  // Values are copied at every read and assignment, so only the payload of the value's kind is stored.
  TValueKind kind_ = TValueKind::kEmpty;
  bool dynamic_ = false;
  int64_t integer_ = 0;  // integers, enumerations and booleans; 0 for every other kind
  double float_ = 0;
  union {
    std::string string_;                                          // kString
    std::shared_ptr<TObjectData> object_;                         // kObject
    std::bitset<256> set_;                                        // kSet
    std::shared_ptr<TArrayData> array_;                           // kArray
    std::shared_ptr<TRecordData> record_;                         // kRecord
    std::shared_ptr<const std::vector<std::string>> enumNames_;   // kInteger
  };
};

static_assert(TValueKind::kEmpty < TValueKind::kFloat && TValueKind::kNull < TValueKind::kFloat &&
              TValueKind::kInteger < TValueKind::kFloat && TValueKind::kFloat < TValueKind::kString,
              "the kinds without a payload come first");

// Scalars are the common case and need no switch; the other kinds go out of line.
[[gnu::always_inline]] inline void TValue::CopyFrom(const TValue& other) {
  if (other.kind_ == TValueKind::kInteger) {
    new (&enumNames_) std::shared_ptr<const std::vector<std::string>>(other.enumNames_);
    kind_ = other.kind_;
    integer_ = other.integer_;
    float_ = other.float_;
    dynamic_ = other.dynamic_;
  } else if (other.kind_ <= TValueKind::kFloat || other.kind_ == TValueKind::kBoolean) {
    kind_ = other.kind_;
    integer_ = other.integer_;
    float_ = other.float_;
    dynamic_ = other.dynamic_;
  } else {
    CopyPayload(other);
  }
}

[[gnu::always_inline]] inline void TValue::MoveFrom(TValue&& other) noexcept {
  if (other.kind_ == TValueKind::kInteger) {
    new (&enumNames_) std::shared_ptr<const std::vector<std::string>>(std::move(other.enumNames_));
    kind_ = other.kind_;
    integer_ = other.integer_;
    float_ = other.float_;
    dynamic_ = other.dynamic_;
  } else if (other.kind_ <= TValueKind::kFloat || other.kind_ == TValueKind::kBoolean) {
    kind_ = other.kind_;
    integer_ = other.integer_;
    float_ = other.float_;
    dynamic_ = other.dynamic_;
  } else {
    MovePayload(std::move(other));
  }
}

[[gnu::always_inline]] inline void TValue::Destroy() noexcept {
  using TNames = std::shared_ptr<const std::vector<std::string>>;
  if (kind_ == TValueKind::kInteger) enumNames_.~TNames();
  else if (kind_ > TValueKind::kFloat && kind_ != TValueKind::kBoolean) DestroyPayload();
  kind_ = TValueKind::kEmpty;
}

inline TValue TValue::Integer(int64_t value) {
  TValue v;
  new (&v.enumNames_) std::shared_ptr<const std::vector<std::string>>();
  v.kind_ = TValueKind::kInteger;
  v.integer_ = value;
  return v;
}

inline TValue TValue::Float(double value) {
  TValue v;
  v.kind_ = TValueKind::kFloat;
  v.float_ = value;
  return v;
}

inline TValue TValue::Boolean(bool value) {
  TValue v;
  v.kind_ = TValueKind::kBoolean;
  v.integer_ = value ? 1 : 0;
  return v;
}

inline TValue& TValue::operator=(TValue&& other) noexcept {
  if (this == &other) return *this;
  Destroy();
  MoveFrom(std::move(other));
  return *this;
}

}  // namespace varnelo::pascal
