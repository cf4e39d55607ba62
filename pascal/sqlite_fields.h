#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

class TSQLQuery;

// The fields of a query (TFields): Count, Fields[i] and FieldByName of whatever the query has open.
class TFields : public TNativeObject {
 public:
  explicit TFields(std::weak_ptr<TSQLQuery> query) : query_(std::move(query)) {}

  std::string ClassName() const override { return "TFields"; }
  bool HasMember(const std::string& name) const override;
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string&, const std::vector<TValue>&, const TValue&) override { return false; }
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;
  std::string DefaultProperty() const override { return "fields"; }

 private:
  TSQLQuery& Query() const;

  std::weak_ptr<TSQLQuery> query_;
};

}  // namespace varnelo::pascal
