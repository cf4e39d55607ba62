#include "retrieval/bookmark_file.h"

#include <algorithm>

#include "base/text.h"
#include "config/ini_text.h"
#include "platform/atomic_file.h"
#include "retrieval/shortcut_file.h"

namespace varnelo::retrieval {

bool TBookmarkList::Add(std::string_view url) {
  const auto place = std::lower_bound(urls_.begin(), urls_.end(), url,
                                      [this](const std::string& a, std::string_view b) { return order_.CompareIgnoringCase(a, b) < 0; });
  if (place != urls_.end() && order_.CompareIgnoringCase(*place, url) == 0) return false;
  urls_.emplace(place, url);
  return true;
}

std::vector<std::string> ReadBookmarkFile(const std::filesystem::path& file) {
  const auto content = platform::ReadWholeFile(file);
  if (!content) return {};
  return base::SplitLines(*content);
}

std::vector<std::string> NormalizedBookmarks(const std::vector<std::string>& lines) {
  TBookmarkList list;
  for (const auto& line : lines) {
    const std::string_view url = base::TrimBlanks(line);
    if (!url.empty()) list.Add(url);
  }
  return list.Urls();
}

std::string BookmarkFileText(const std::vector<std::string>& urls) {
  std::string text;
  for (const auto& url : urls) {
    text += UrlForLine(url);
    text += "\r\n";
  }
  return text;
}

void WriteBookmarkFile(const std::filesystem::path& file, const std::vector<std::string>& urls) {
  platform::ReplaceFileAtomically(file, BookmarkFileText(urls));
}

}  // namespace varnelo::retrieval
