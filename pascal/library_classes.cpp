#include "pascal/library_classes.h"

#include <map>
#include <memory>
#include <set>

#include "pascal/builtins.h"
#include "pascal/sqlite_classes.h"
#include "pascal/string_list.h"

namespace varnelo::pascal {

namespace {

std::map<std::string, TNativeConstructor> MakeClassTable() {
  std::map<std::string, TNativeConstructor> classes;
  classes["tstringlist"] = [](const std::vector<TValue>& args) -> std::shared_ptr<TNativeObject> {
    if (!args.empty())
      throw TBuiltinError(TErrorCode::kTypeMismatch, "Wrong number of parameters specified for call to \"Create\"");
    return std::make_shared<TStringList>();
  };
  classes["tstrings"] = nullptr;
  // Further groups of library classes add their entries here, one call per group.
  AddDatabaseClasses(classes);
  return classes;
}

}  // namespace

const TNativeConstructor* FindLibraryClass(const std::string& lowerName) {
  static const std::map<std::string, TNativeConstructor> kClasses = MakeClassTable();
  auto found = kClasses.find(lowerName);
  return found == kClasses.end() ? nullptr : &found->second;
}

bool IsLibraryTypeName(const std::string& lowerName) {
  static const std::set<std::string> kExceptionClasses = {
      "exception",        "econverterror", "edivbyzero",  "erangeerror",   "estringlisterror",
      "eaccessviolation", "efopenerror",   "efcreateerror", "ewriteerror", "einvalidpointer",
      "edatabaseerror",   "einouterror"};
  return FindLibraryClass(lowerName) != nullptr || kExceptionClasses.count(lowerName) > 0;
}

std::optional<TValue> LibraryConstant(const std::string& lowerName) {
  static const std::map<std::string, int64_t> kConstants = {
      {"dupignore", static_cast<int64_t>(TStringList::TDuplicates::kIgnore)},
      {"dupaccept", static_cast<int64_t>(TStringList::TDuplicates::kAccept)},
      {"duperror", static_cast<int64_t>(TStringList::TDuplicates::kError)},
  };
  auto found = kConstants.find(lowerName);
  if (found == kConstants.end()) return std::nullopt;
  return TValue::Integer(found->second);
}

}  // namespace varnelo::pascal
