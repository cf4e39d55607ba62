#pragma once

#include <map>
#include <string>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// Adds the database classes over SQLite, by lower-case name: TSQLite3Connection, TSQLTransaction and
// TSQLQuery, named as SQLdb names them. Their errors are EDatabaseError.
void AddDatabaseClasses(std::map<std::string, TNativeConstructor>& classes);

}  // namespace varnelo::pascal
