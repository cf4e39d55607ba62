#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pascal/native_object.h"
#include "pascal/value.h"

// Helpers shared by the database classes.
namespace varnelo::pascal::sqlite {

// Raises the script's EDatabaseError.
[[noreturn]] void DatabaseError(const std::string& text);
// Raises the error a script gets for a value of the wrong type.
[[noreturn]] void TypeError(const std::string& text);

// The library object behind an object value, when it is of class T.
template <class T>
std::shared_ptr<T> NativeOf(const TValue& value) {
  if (value.Kind() != TValueKind::kObject || !value.AsObject()) return nullptr;
  return std::dynamic_pointer_cast<T>(value.AsObject()->native);
}

// The Create(AOwner) of every class: the owner may be given, and is ignored since objects live as long
// as the script refers to them.
void ExpectOwnerOnly(const std::vector<TValue>& args, const std::string& className);

// The As... readings of a database value (field or parameter), as TField does them: SQL NULL reads as
// '', 0, 0.0 and False; text converts or raises EConvertError.
std::string ValueAsString(const TValue& value);
int64_t ValueAsInteger(const TValue& value);
double ValueAsFloat(const TValue& value);
bool ValueAsBoolean(const TValue& value);
// Null for SQL NULL, otherwise the value itself.
TValue ValueAsVariant(const TValue& value);

// The text of a string-list object (the SQL property), read through its Text property.
std::string TextOfStrings(const TValue& strings);

}  // namespace varnelo::pascal::sqlite
