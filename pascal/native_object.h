#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/value.h"

namespace varnelo::pascal {

// An object of a class that the library provides (TStringList, the database classes...). The
// interpreter hands it property reads and writes and method calls by lower-case name; an error is
// raised as TBuiltinError.
class TNativeObject {
public:
  virtual ~TNativeObject() = default;

  // The class name as a Pascal programmer writes it ("TStringList").
  virtual std::string ClassName() const = 0;

  // Reads property `name`; `indexes` holds the arguments of an indexed property (Strings[i],
  // Values['k']), empty otherwise. Nullopt when the class has no such property.
  virtual std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) = 0;
  // Writes it; false when the class has no such writable property.
  virtual bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) = 0;
  // Calls method `name`; a procedure gives the empty value. Nullopt when the class has no such method.
  virtual std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) = 0;

  // Whether `name` is a property or method of the class; `with object do` resolves names by it.
  virtual bool HasMember(const std::string& name) const = 0;

  // The property that `object[index]` reads and writes ("strings"); empty when there is none.
  virtual std::string DefaultProperty() const { return {}; }
};

// Wraps a library object as a script value; a method or property that gives an object returns this.
inline TValue NativeValue(std::shared_ptr<TNativeObject> native) {
  auto object = std::make_shared<TObjectData>();
  object->className = native->ClassName();
  object->native = std::move(native);
  return TValue::Object(std::move(object));
}

// Makes an object of a library class for `ClassName.Create(args)`.
using TNativeConstructor = std::function<std::shared_ptr<TNativeObject>(const std::vector<TValue>& args)>;

}  // namespace varnelo::pascal
