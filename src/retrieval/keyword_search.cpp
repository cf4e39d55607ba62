#include "retrieval/keyword_search.h"

#include <algorithm>
#include <mutex>
#include <system_error>

#include "base/text.h"
#include "parsing/html_parser.h"
#include "platform/atomic_file.h"
#include "retrieval/result_hash.h"

namespace varnelo::retrieval {
namespace {

// Where `phrase` first occurs in `text`, comparing with A to Z folded; npos when it does not, or when
// the phrase is empty.
size_t FindFolded(std::string_view text, std::string_view phrase) {
  if (phrase.empty()) return std::string_view::npos;
  const auto equal = [](char a, char b) { return base::AsciiLower(a) == base::AsciiLower(b); };
  const auto found = std::search(text.begin(), text.end(), phrase.begin(), phrase.end(), equal);
  return found == text.end() ? std::string_view::npos : static_cast<size_t>(found - text.begin());
}

// `text` with its first hit of `phrase` (at `position`) wrapped in the anchor numbered `number`.
std::string MarkHit(std::string_view text, size_t position, size_t length, size_t number, std::string_view opening) {
  std::string out;
  out.reserve(text.size() + 40);
  out.append(text.substr(0, position));
  out.append(opening).append("\"found").append(std::to_string(number)).append("\">");
  out.append(text.substr(position, length));
  out.append("</A></b>");
  out.append(text.substr(position + length));
  return out;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::copy_if(text.begin(), text.end(), std::back_inserter(out), [](char c) { return c != '\r' && c != '\n'; });
  return out;
}

// Two pages whose URLs share a hash share a result file; their writers take turns.
std::mutex resultFileMutex;

bool WriteResultFile(const std::filesystem::path& file, std::string_view content) {
  try {
    const std::lock_guard<std::mutex> guard(resultFileMutex);
    platform::ReplaceFileAtomically(file, content);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace

std::filesystem::path ResultFilePath(const std::filesystem::path& home, std::string_view url) {
  return home / kResultFolder / (std::to_string(ResultHash(url)) + ".html");
}

std::filesystem::path TResultFiles::For(const std::string& url) {
  const std::uint32_t hash = ResultHash(url);
  size_t number = 0;
  {
    const std::lock_guard<std::mutex> guard(mutex_);
    std::vector<std::string>& urls = urlsByHash_[hash];
    const auto found = std::find(urls.begin(), urls.end(), url);
    number = static_cast<size_t>(found - urls.begin());
    if (found == urls.end()) urls.push_back(url);
  }
  if (number == 0) return ResultFilePath(home_, url);
  return home_ / kResultFolder / (std::to_string(hash) + "-" + std::to_string(number + 1) + ".html");
}

bool KeywordSearch(parsing::TTagNode& root, std::string_view phrase, const std::string& pageUrl,
                   const TResultFileFor& resultFile, const THitRow& addRow) {
  parsing::TTagNodeList textNodes;
  parsing::THTMLParser::FindNodes(root, "", textNodes, {parsing::kTextNode});
  size_t hits = 0;
  for (parsing::TTagNode* node : textNodes) {
    const size_t position = FindFolded(node->Text, phrase);
    if (position == std::string_view::npos) continue;
    addRow(pageUrl, WithoutLineBreaks(node->Text));
    node->Text = MarkHit(node->Text, position, phrase.size(), ++hits, "<b><a name=");
  }
  if (hits == 0) return true;
  return WriteResultFile(resultFile(), parsing::THTMLParser::GetHTML(root) + "\r\n");
}

bool KeywordSearch(std::vector<std::string>& lines, std::string_view phrase, const std::string& pageUrl,
                   const TResultFileFor& resultFile, const THitRow& addRow) {
  size_t hits = 0;
  for (std::string& line : lines) {
    const size_t position = FindFolded(line, phrase);
    if (position == std::string_view::npos) continue;
    line = MarkHit(line, position, phrase.size(), ++hits, "<b><A name=");
    addRow(pageUrl, WithoutLineBreaks(line));
  }
  if (hits == 0) return true;
  std::string content = "<html><head></head><body><code>\r\n";
  for (const std::string& line : lines) content.append(line).append("\r\n");
  content.append("</code></body>\r\n");
  return WriteResultFile(resultFile(), content);
}

}  // namespace varnelo::retrieval
