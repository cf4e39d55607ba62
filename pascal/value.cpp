#include "pascal/value.h"

#include <new>

namespace varnelo::pascal {

void TValue::CopyPayload(const TValue& other) {
  switch (other.kind_) {
    case TValueKind::kString:
      memory_budget::Reserve(int64_t(other.string_.size()));
      new (&string_) std::string(other.string_);
      break;
    case TValueKind::kObject: new (&object_) std::shared_ptr<TObjectData>(other.object_); break;
    case TValueKind::kSet: new (&set_) std::bitset<256>(other.set_); break;
    case TValueKind::kArray: new (&array_) std::shared_ptr<TArrayData>(other.array_); break;
    case TValueKind::kRecord: new (&record_) std::shared_ptr<TRecordData>(other.record_); break;
    case TValueKind::kInteger: new (&enumNames_) std::shared_ptr<const std::vector<std::string>>(other.enumNames_); break;
    default: break;
  }
  kind_ = other.kind_;
  dynamic_ = other.dynamic_;
  integer_ = other.integer_;
  float_ = other.float_;
}

void TValue::MovePayload(TValue&& other) noexcept {
  switch (other.kind_) {
    case TValueKind::kString: new (&string_) std::string(std::move(other.string_)); break;
    case TValueKind::kObject: new (&object_) std::shared_ptr<TObjectData>(std::move(other.object_)); break;
    case TValueKind::kSet: new (&set_) std::bitset<256>(other.set_); break;
    case TValueKind::kArray: new (&array_) std::shared_ptr<TArrayData>(std::move(other.array_)); break;
    case TValueKind::kRecord: new (&record_) std::shared_ptr<TRecordData>(std::move(other.record_)); break;
    case TValueKind::kInteger:
      new (&enumNames_) std::shared_ptr<const std::vector<std::string>>(std::move(other.enumNames_));
      break;
    default: break;
  }
  kind_ = other.kind_;
  dynamic_ = other.dynamic_;
  integer_ = other.integer_;
  float_ = other.float_;
}

void TValue::DestroyPayload() noexcept {
  using TNames = std::shared_ptr<const std::vector<std::string>>;
  switch (kind_) {
    case TValueKind::kString:
      memory_budget::Release(int64_t(string_.size()));
      string_.~basic_string();
      break;
    case TValueKind::kObject: object_.~shared_ptr(); break;
    case TValueKind::kArray: array_.~shared_ptr(); break;
    case TValueKind::kRecord: record_.~shared_ptr(); break;
    case TValueKind::kInteger: enumNames_.~TNames(); break;
    default: break;  // the set is trivially destructible
  }
  kind_ = TValueKind::kEmpty;
}

const std::string& TValue::EmptyString() {
  static const std::string empty;
  return empty;
}

const std::shared_ptr<TObjectData>& TValue::NoObject() {
  static const std::shared_ptr<TObjectData> none;
  return none;
}

const std::bitset<256>& TValue::NoSet() {
  static const std::bitset<256> none;
  return none;
}

const std::shared_ptr<TArrayData>& TValue::NoArray() {
  static const std::shared_ptr<TArrayData> none;
  return none;
}

const std::shared_ptr<TRecordData>& TValue::NoRecord() {
  static const std::shared_ptr<TRecordData> none;
  return none;
}

const std::shared_ptr<const std::vector<std::string>>& TValue::NoNames() {
  static const std::shared_ptr<const std::vector<std::string>> none;
  return none;
}

// Leaves an empty payload of `kind` alive, with the scalars reset.
void TValue::Become(TValueKind kind) {
  Destroy();
  switch (kind) {
    case TValueKind::kString: new (&string_) std::string(); break;
    case TValueKind::kObject: new (&object_) std::shared_ptr<TObjectData>(); break;
    case TValueKind::kSet: new (&set_) std::bitset<256>(); break;
    case TValueKind::kArray: new (&array_) std::shared_ptr<TArrayData>(); break;
    case TValueKind::kRecord: new (&record_) std::shared_ptr<TRecordData>(); break;
    case TValueKind::kInteger: new (&enumNames_) std::shared_ptr<const std::vector<std::string>>(); break;
    default: break;
  }
  kind_ = kind;
  dynamic_ = false;
  integer_ = 0;
  float_ = 0;
}

TValue& TValue::operator=(const TValue& other) {
  if (this == &other) return *this;
  if (kind_ == other.kind_) {
    // Same payload alive on both sides: assign it in place (a string keeps its buffer).
    switch (kind_) {
      case TValueKind::kString: string_ = other.string_; break;
      case TValueKind::kObject: object_ = other.object_; break;
      case TValueKind::kSet: set_ = other.set_; break;
      case TValueKind::kArray: array_ = other.array_; break;
      case TValueKind::kRecord: record_ = other.record_; break;
      case TValueKind::kInteger: enumNames_ = other.enumNames_; break;
      default: break;
    }
    dynamic_ = other.dynamic_;
    integer_ = other.integer_;
    float_ = other.float_;
    return *this;
  }
  TValue copy(other);
  return *this = std::move(copy);
}

void TValue::AppendString(std::string_view text) {
  if (kind_ != TValueKind::kString) Become(TValueKind::kString);
  memory_budget::Reserve(int64_t(text.size()));
  string_ += text;
}

TValue TValue::Null() {
  TValue v;
  v.kind_ = TValueKind::kNull;
  return v;
}

TValue TValue::String(std::string value) {
  memory_budget::Reserve(int64_t(value.size()));
  TValue v;
  new (&v.string_) std::string(std::move(value));
  v.kind_ = TValueKind::kString;
  return v;
}

TValue TValue::Object(std::shared_ptr<TObjectData> object) {
  TValue v;
  new (&v.object_) std::shared_ptr<TObjectData>(std::move(object));
  v.kind_ = TValueKind::kObject;
  return v;
}

TValue TValue::Set(std::bitset<256> bits) {
  TValue v;
  new (&v.set_) std::bitset<256>(bits);
  v.kind_ = TValueKind::kSet;
  return v;
}

TValue TValue::Array(std::shared_ptr<TArrayData> array, bool dynamic) {
  // Arrays are filled before they become values, and never change size afterwards.
  if (array && array->charge.Bytes() == 0) array->charge.Grow(int64_t(array->items.size()) * kCellBytes);
  TValue v;
  new (&v.array_) std::shared_ptr<TArrayData>(std::move(array));
  v.kind_ = TValueKind::kArray;
  v.dynamic_ = dynamic;
  return v;
}

TValue TValue::Record(std::shared_ptr<TRecordData> record) {
  if (record && record->charge.Bytes() == 0) {
    record->charge.Grow(int64_t(record->fields.size()) * (kCellBytes + int64_t(sizeof(std::string))));
  }
  TValue v;
  new (&v.record_) std::shared_ptr<TRecordData>(std::move(record));
  v.kind_ = TValueKind::kRecord;
  return v;
}

TValue TValue::Enumerated(int64_t ordinal, std::shared_ptr<const std::vector<std::string>> names) {
  TValue v = Integer(ordinal);
  v.enumNames_ = std::move(names);
  return v;
}

TValue TValue::DeepCopy() const {
  if (kind_ == TValueKind::kArray && !dynamic_ && array_) {
    auto copy = std::make_shared<TArrayData>();
    copy->low = array_->low;
    for (const auto& item : array_->items) copy->items.push_back(std::make_shared<TValue>(item->DeepCopy()));
    return Array(copy, false);
  }
  if (kind_ == TValueKind::kRecord && record_) {
    auto copy = std::make_shared<TRecordData>();
    for (const auto& [name, cell] : record_->fields)
      copy->fields.emplace_back(name, std::make_shared<TValue>(cell->DeepCopy()));
    return Record(copy);
  }
  return *this;
}

}  // namespace varnelo::pascal
