#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parsing/tag_node.h"
#include "platform/atomic_file.h"

namespace varnelo::retrieval {

// An MHT archive being written: a MIME multipart/related message kept as a list of text lines, each
// saved followed by CR LF. A line may hold line breaks of its own (a whole HTML page), or stand for the
// base64 of a file, read only when the archive is written so that the file's size never shows in memory.
class tstringlistimp {
public:
  // Parts an archive may take in all; later ones are dropped.
  static constexpr int32_t kPartLimit = 1024;

  void Add(std::string line) { lines_.push_back(std::move(line)); }
  // Throws std::out_of_range when `index` is past the end.
  void Insert(size_t index, std::string line);
  // A line that is the base64 of `file` as it is when the archive is written (a file gone by then
  // gives an empty line).
  void AddBase64Of(std::filesystem::path file) { InsertBase64Of(lines_.size(), std::move(file)); }
  void InsertBase64Of(size_t index, std::filesystem::path file);
  // Empties the lines; the part counter stays until BeginArchive sets it.
  void Clear();
  size_t Count() const { return lines_.size(); }
  // The text of a line; "" for a line that stands for a file.
  const std::string& Strings(size_t index) const { return lines_.at(index); }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The file a line stands for; null for a line of text.
  const std::filesystem::path* FileAt(size_t index) const;

  // Replaces `file` with the lines, each followed by CR LF, so that no reader sees half an archive.
  // Throws std::system_error when the file cannot be written or a file of a line exists but cannot be read.
  void SaveToFile(const std::filesystem::path& file) const;
  // The bytes SaveToFile writes, through `sink`: a file's base64 in stretches, never whole.
  void Write(const platform::TContentSink& sink) const;
  // The same bytes at once.
  std::string Text() const;

  // 1 after the header, 2 after the first part, one more for every later part.
  int32_t PartCounter() const { return partCounter_; }
  void SetPartCounter(int32_t value) { partCounter_ = value; }
  // Raises the part counter and tells whether the new part stays under the limit. The counter stops
  // at its largest value instead of wrapping round, which would let parts in again.
  bool TakePart() {
    if (partCounter_ < INT32_MAX) ++partCounter_;
    return partCounter_ < kPartLimit;
  }

private:
  std::vector<std::string> lines_;
  std::vector<std::pair<size_t, std::filesystem::path>> files_;  // (line index, file), by index
  int32_t partCounter_ = 0;
};

// Base64 with the RFC 4648 alphabet and "=" padding, on one line.
std::string EncodeBase64(std::string_view bytes);

// Sets the part counter to 1 and appends the twelve header lines for the page at `url`.
void BeginArchive(tstringlistimp& archive, std::string_view url);

// Sets the part counter to 2 and inserts the page's part right after the header lines, before any
// part appended already. An HTML page (IsHtmlType) is written from its parse tree `root` as 7bit
// text; any other page is `bytes` in base64. The caller holds the crawl's lock when workers share the
// archive.
void AddFirstPart(tstringlistimp& archive, std::string_view contentType, const parsing::TTagNode* root,
                  std::string_view url, std::string_view bytes);
// The same for a page that is not HTML whose bytes are `file`, in base64 when the archive is written.
void AddFirstPart(tstringlistimp& archive, std::string_view contentType, std::string_view url,
                  const std::filesystem::path& file);

// Append one part (HTML text as 7bit, other bytes as base64) unless the archive is full. `lock`, when
// given, is held while the counter is raised and the lines are appended, so parts of workers sharing
// the archive never interleave.
void AddHtmlPart(std::mutex* lock, tstringlistimp& archive, std::string html, std::string_view url,
                 std::string_view contentType);
void AddBinaryPart(std::mutex* lock, tstringlistimp& archive, std::string_view bytes, std::string_view url,
                   std::string_view contentType);
// A part whose bytes are `file`, in base64 when the archive is written.
void AddBinaryFilePart(std::mutex* lock, tstringlistimp& archive, const std::filesystem::path& file,
                       std::string_view url, std::string_view contentType);

// Appends the closing boundary line.
void EndArchive(tstringlistimp& archive);

}  // namespace varnelo::retrieval
