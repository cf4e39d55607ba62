#include "retrieval/mht_archive.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "parsing/html_parser.h"
#include "platform/atomic_file.h"
#include "url/mime_types.h"

namespace varnelo::retrieval {
namespace {

constexpr std::string_view kBoundaryLine = "--------=_frontiere0";
constexpr size_t kHeaderLines = 12;
// A file's bytes are encoded in stretches of this many, a multiple of three so that the stretches'
// base64 texts join into the base64 of the whole.
constexpr size_t kFileStretch = size_t{3} << 14;

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

void WriteBase64Of(const std::filesystem::path& file, const platform::TContentSink& sink) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    const int error = errno;
    std::error_code ignored;
    if (!std::filesystem::exists(file, ignored)) return;
    throw std::system_error(error, std::generic_category(), file.string());
  }
  std::string stretch(kFileStretch, '\0');
  while (in) {
    in.read(stretch.data(), std::streamsize(stretch.size()));
    const auto got = static_cast<size_t>(in.gcount());
    if (got > 0) sink(EncodeBase64(std::string_view(stretch.data(), got)));
  }
  if (in.bad()) throw std::system_error(EIO, std::generic_category(), file.string());
}

}  // namespace

void tstringlistimp::Insert(size_t index, std::string line) {
  if (index > lines_.size()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
  for (auto& [at, file] : files_) {
    if (at >= index) ++at;
  }
}

void tstringlistimp::InsertBase64Of(size_t index, std::filesystem::path file) {
  Insert(index, std::string());
  const auto after = std::find_if(files_.begin(), files_.end(), [index](const auto& entry) { return entry.first > index; });
  files_.insert(after, {index, std::move(file)});
}

void tstringlistimp::Clear() {
  lines_.clear();
  files_.clear();
}

const std::filesystem::path* tstringlistimp::FileAt(size_t index) const {
  const auto found = std::find_if(files_.begin(), files_.end(), [index](const auto& entry) { return entry.first == index; });
  return found == files_.end() ? nullptr : &found->second;
}

void tstringlistimp::Write(const platform::TContentSink& sink) const {
  auto file = files_.begin();
  for (size_t index = 0; index < lines_.size(); ++index) {
    if (file != files_.end() && file->first == index) {
      WriteBase64Of(file->second, sink);
      ++file;
    } else {
      sink(lines_[index]);
    }
    sink("\r\n");
  }
}

std::string tstringlistimp::Text() const {
  std::string text;
  Write([&text](std::string_view piece) { text.append(piece); });
  return text;
}

void tstringlistimp::SaveToFile(const std::filesystem::path& file) const {
  platform::ReplaceFileAtomically(file, [this](const platform::TContentSink& sink) { Write(sink); });
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

namespace {

// Sets the part counter to 2 and inserts the head of the first part; where its body line goes.
size_t InsertFirstPartHead(tstringlistimp& archive, std::string_view contentType, std::string_view encoding,
                           std::string_view url) {
  archive.SetPartCounter(2);
  std::string lines[] = {
      std::string(kBoundaryLine),
      Prefixed("Content-Type: ", contentType),
      Prefixed("Content-Transfer-Encoding: ", encoding),
      "Content-Disposition: inline",
      Prefixed("Content-Location: ", url),
      "",
  };
  // An archive without its header (none was begun) takes the part at its end.
  size_t at = std::min(kHeaderLines, archive.Count());
  for (std::string& line : lines) archive.Insert(at++, std::move(line));
  return at;
}

}  // namespace

void AddFirstPart(tstringlistimp& archive, std::string_view contentType, const parsing::TTagNode* root,
                  std::string_view url, std::string_view bytes) {
  const bool html = IsHtmlType(contentType);
  const size_t at = InsertFirstPartHead(archive, contentType, html ? "7bit" : "base64", url);
  archive.Insert(at, html ? (root != nullptr ? parsing::THTMLParser::GetHTML(*root) : std::string()) : EncodeBase64(bytes));
}

void AddFirstPart(tstringlistimp& archive, std::string_view contentType, std::string_view url,
                  const std::filesystem::path& file) {
  archive.InsertBase64Of(InsertFirstPartHead(archive, contentType, "base64", url), file);
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

void AddBinaryFilePart(std::mutex* lock, tstringlistimp& archive, const std::filesystem::path& file,
                       std::string_view url, std::string_view contentType) {
  const auto guard = LockIfGiven(lock);
  if (!archive.TakePart()) return;
  AppendPartHead(archive, contentType, "base64", url);
  archive.AddBase64Of(file);
  archive.Add("");
}

void EndArchive(tstringlistimp& archive) { archive.Add(std::string(kBoundaryLine) + "--"); }

}  // namespace varnelo::retrieval
