#include "config/start_url_list.h"

#include <optional>

#include "base/text.h"
#include "platform/atomic_file.h"

namespace varnelo::config {

std::filesystem::path StartUrlFile(const std::filesystem::path& home, std::string_view robot) {
  return home / (std::string(robot) + ".url");
}

std::vector<std::string> ReadStartUrls(const std::filesystem::path& home, std::string_view robot) {
  const std::optional<std::string> content = platform::ReadWholeFile(StartUrlFile(home, robot));
  if (!content) return {};
  return base::SplitLines(*content);
}

void WriteStartUrls(const std::filesystem::path& home, std::string_view robot, const std::vector<std::string>& urls) {
  std::string content;
  for (const std::string& url : urls) content.append(url).append("\r\n");
  platform::ReplaceFileAtomically(StartUrlFile(home, robot), content);
}

void TStartUrlList::Assign(std::vector<std::string> urls) {
  urls_ = std::move(urls);
  selected_.clear();
}

void TStartUrlList::Select(size_t index, bool selected) {
  if (index >= urls_.size()) return;
  if (selected) {
    selected_.insert(index);
  } else {
    selected_.erase(index);
  }
}

void TStartUrlList::Add() { urls_.push_back(urlField); }

void TStartUrlList::RemoveSelected() {
  // From the back, so that the indexes still to remove stay valid.
  for (auto it = selected_.rbegin(); it != selected_.rend(); ++it) {
    urls_.erase(urls_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  selected_.clear();
}

}  // namespace varnelo::config
