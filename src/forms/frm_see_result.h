#pragma once

#include <filesystem>
#include <string>

#include "base/signal.h"

namespace varnelo::results {

// The result viewer "Results": one stored keyword-search result page, stepped through its marked
// matches (the anchors "found1", "found2", ...). The number has no bounds: one without an anchor
// leaves the page where the browser puts it.
class TFrmSeeResult {
public:
  static constexpr std::string_view kCaption = "Results";

  explicit TFrmSeeResult(std::filesystem::path page) : page_(std::move(page)) {}

  const std::filesystem::path& Page() const { return page_; }
  int Match() const { return match_; }
  // "file://", the path, "#found" and the match number: what the browser shows.
  std::string Url() const;

  // "Previous" and "Next".
  void Previous();
  void Next();

  // The match number moved: the browser is to show Url().
  base::TSignal<> Changed;

private:
  std::filesystem::path page_;
  int match_ = 1;
};

}  // namespace varnelo::results
