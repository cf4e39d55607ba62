#include "forms/frm_see_result.h"

namespace varnelo::results {

std::string TFrmSeeResult::Url() const {
  return "file://" + page_.string() + "#found" + std::to_string(match_);
}

void TFrmSeeResult::Previous() {
  --match_;
  Changed();
}

void TFrmSeeResult::Next() {
  ++match_;
  Changed();
}

}  // namespace varnelo::results
