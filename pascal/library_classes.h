#pragma once

#include <optional>
#include <string>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// The library class named `lowerName`, for `ClassName.Create(...)` and for variable types. Null when
// there is none. An entry whose constructor is empty names a class that scripts may declare variables
// of but not create (TStrings).
const TNativeConstructor* FindLibraryClass(const std::string& lowerName);

// Whether `lowerName` names a class a variable may be declared with: a library class or an exception class.
bool IsLibraryTypeName(const std::string& lowerName);

// Constants of the library classes (dupIgnore...).
std::optional<TValue> LibraryConstant(const std::string& lowerName);

}  // namespace varnelo::pascal
