#include "pascal/sqlite_classes.h"

#include "pascal/sqlite_connection.h"
#include "pascal/sqlite_query.h"
#include "pascal/sqlite_support.h"
#include "pascal/sqlite_transaction.h"

namespace varnelo::pascal {

namespace {

template <class T>
TNativeConstructor Constructor(const std::string& className) {
  return [className](const std::vector<TValue>& args) -> std::shared_ptr<TNativeObject> {
    sqlite::ExpectOwnerOnly(args, className);
    return std::make_shared<T>();
  };
}

}  // namespace

void AddDatabaseClasses(std::map<std::string, TNativeConstructor>& classes) {
  classes["tsqlite3connection"] = Constructor<TSQLite3Connection>("TSQLite3Connection");
  classes["tsqltransaction"] = Constructor<TSQLTransaction>("TSQLTransaction");
  classes["tsqlquery"] = Constructor<TSQLQuery>("TSQLQuery");
}

}  // namespace varnelo::pascal
