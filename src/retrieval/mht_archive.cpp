#include "retrieval/mht_archive.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

#include "parsing/html_parser.h"
#include "platform/atomic_file.h"
#include "url/mime_types.h"

namespace varnelo::retrieval {
namespace {

constexpr std::string_view kBoundaryLine = "--------=_frontiere0";
constexpr size_t kHeaderLines = 12;

std::string Prefixed(std::string_view prefix, std::string_view text) {
  std::string line;
  line.reserve(prefix.size() + text.size());
  line.append(prefix).append(text);
  return line;
}

std::unique_lock<std::mutex> LockIfGiven(std::mutex* lock) {
  return lock != nullptr ? std::unique_lock<std::mutex>(*lock) : std::unique_lock<std::mutex>();
}

void AppendPartHead(tstringlistimp& archive, std::string_view contentType, std::string_view encoding,
                    std::string_view url) {
  archive.Add(std::string(kBoundaryLine));
  archive.Add(Prefixed("Content-Type: ", contentType));
  archive.Add(Prefixed("Content-Transfer-Encoding: ", encoding));
  archive.Add("Content-Disposition: inline");
  archive.Add(Prefixed("Content-Location: ", url));
  archive.Add("");
  archive.Add("");
}

}  // namespace

void tstringlistimp::Insert(size_t index, std::string line) {
  if (index > lines_.size()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

std::string tstringlistimp::Text() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) text.append(line).append("\r\n");
  return text;
}

void tstringlistimp::SaveToFile(const std::filesystem::path& file) const {
  platform::ReplaceFileAtomically(file, Text());
}

std::string EncodeBase64(std::string_view bytes) {
  // EVP_EncodeBlock takes an int length: whole groups of three bytes encode independently, so a
  // large input goes through in slices of them.
  constexpr size_t kSlice = size_t{3} << 24;
  std::string encoded((bytes.size() + 2) / 3 * 4, '\0');
  size_t written = 0;
  for (size_t done = 0; done < bytes.size(); done += kSlice) {
    const size_t length = std::min(kSlice, bytes.size() - done);
    // One byte more than the text for the NUL that EVP_EncodeBlock writes after it.
    std::string slice((length + 2) / 3 * 4 + 1, '\0');
    const int got = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(slice.data()),
                                    reinterpret_cast<const unsigned char*>(bytes.data() + done), static_cast<int>(length));
    encoded.replace(written, static_cast<size_t>(got), slice, 0, static_cast<size_t>(got));
    written += static_cast<size_t>(got);
  }
  return encoded;
}

void BeginArchive(tstringlistimp& archive, std::string_view url) {
  archive.SetPartCounter(1);
  archive.Add("thread-index: abcdefghij");
  archive.Add("MIME-Version: 1.0");
  archive.Add("Content-Type: multipart/related;");
  archive.Add("        boundary=\"------=_frontiere0\";");
  archive.Add(Prefixed("Content-Location: ", url));
  archive.Add("Content-Class: urn:content-classes:message");
  archive.Add("Importance: normal");
  archive.Add("Priority: normal");
  archive.Add("X-MimeOLE: Produced by Quorvel Software");
  archive.Add("");
  archive.Add("This is a multi-part message in MIME format.");
  archive.Add("");
}

void AddFirstPart(tstringlistimp& archive, std::string_view contentType, const parsing::TTagNode* root,
                  std::string_view url, std::string_view bytes) {
  archive.SetPartCounter(2);
  const bool html = IsHtmlType(contentType);
  std::string lines[] = {
      std::string(kBoundaryLine),
      Prefixed("Content-Type: ", contentType),
      html ? "Content-Transfer-Encoding: 7bit" : "Content-Transfer-Encoding: base64",
      "Content-Disposition: inline",
      Prefixed("Content-Location: ", url),
      "",
      html ? (root != nullptr ? parsing::THTMLParser::GetHTML(*root) : std::string()) : EncodeBase64(bytes),
  };
  // An archive without its header (none was begun) takes the part at its end.
  size_t at = std::min(kHeaderLines, archive.Count());
  for (std::string& line : lines) archive.Insert(at++, std::move(line));
}

void AddHtmlPart(std::mutex* lock, tstringlistimp& archive, std::string html, std::string_view url,
                 std::string_view contentType) {
  const auto guard = LockIfGiven(lock);
  if (!archive.TakePart()) return;
  AppendPartHead(archive, contentType, "7bit", url);
  archive.Add(std::move(html));
  archive.Add("");
}

void AddBinaryPart(std::mutex* lock, tstringlistimp& archive, std::string_view bytes, std::string_view url,
                   std::string_view contentType) {
  // Encoded before the lock is taken, so that other workers are not held up by it.
  std::string encoded = EncodeBase64(bytes);
  const auto guard = LockIfGiven(lock);
  if (!archive.TakePart()) return;
  AppendPartHead(archive, contentType, "base64", url);
  archive.Add(std::move(encoded));
  archive.Add("");
}

void EndArchive(tstringlistimp& archive) { archive.Add(std::string(kBoundaryLine) + "--"); }

}  // namespace varnelo::retrieval
