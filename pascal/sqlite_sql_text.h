#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pascal/native_object.h"

namespace varnelo::pascal {

// The lines of a query's SQL: the part of TStringList that a query script uses (Text, Add, Clear,
// Count, Strings[]). A query reads it only through its Text property.
class TSQLText : public TNativeObject {
 public:
  std::string ClassName() const override { return "TStringList"; }
  std::optional<TValue> GetProperty(const std::string& name, const std::vector<TValue>& indexes) override;
  bool SetProperty(const std::string& name, const std::vector<TValue>& indexes, const TValue& value) override;
  std::optional<TValue> CallMethod(const std::string& name, const std::vector<TValue>& args) override;
  std::string DefaultProperty() const override { return "strings"; }

  std::string Text() const;
  void SetText(const std::string& text);

 private:
  size_t LineIndex(const std::vector<TValue>& indexes) const;

  std::vector<std::string> lines_;
};

}  // namespace varnelo::pascal
