#include "pascal/value.h"

namespace varnelo::pascal {

TValue TValue::Null() {
  TValue v;
  v.kind_ = TValueKind::kNull;
  return v;
}

TValue TValue::Integer(int64_t value) {
  TValue v;
  v.kind_ = TValueKind::kInteger;
  v.integer_ = value;
  return v;
}

TValue TValue::Float(double value) {
  TValue v;
  v.kind_ = TValueKind::kFloat;
  v.float_ = value;
  return v;
}

TValue TValue::String(std::string value) {
  TValue v;
  v.kind_ = TValueKind::kString;
  v.string_ = std::move(value);
  return v;
}

TValue TValue::Boolean(bool value) {
  TValue v;
  v.kind_ = TValueKind::kBoolean;
  v.integer_ = value ? 1 : 0;
  return v;
}

TValue TValue::Object(std::shared_ptr<TObjectData> object) {
  TValue v;
  v.kind_ = TValueKind::kObject;
  v.object_ = std::move(object);
  return v;
}

TValue TValue::Set(std::bitset<256> bits) {
  TValue v;
  v.kind_ = TValueKind::kSet;
  v.set_ = bits;
  return v;
}

TValue TValue::Array(std::shared_ptr<TArrayData> array, bool dynamic) {
  TValue v;
  v.kind_ = TValueKind::kArray;
  v.array_ = std::move(array);
  v.dynamic_ = dynamic;
  return v;
}

TValue TValue::Record(std::shared_ptr<TRecordData> record) {
  TValue v;
  v.kind_ = TValueKind::kRecord;
  v.record_ = std::move(record);
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
