#include "retrieval/warc_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace varnelo::retrieval {
namespace {

constexpr size_t kStep = 64 * 1024;
// Enough names for every run a user keeps; past them the file is not made.
constexpr int kMaxNumbered = 100000;

bool WriteAllTo(int fd, const unsigned char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= size_t(written);
  }
  return true;
}

// One gzip member written to a file as its bytes come.
class TGzipMember {
public:
  explicit TGzipMember(int fd) : fd_(fd) {
    // 15 + 16: the largest window, in a gzip wrapper.
    ready_ = deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  TGzipMember(const TGzipMember&) = delete;
  TGzipMember& operator=(const TGzipMember&) = delete;
  ~TGzipMember() {
    if (ready_) deflateEnd(&stream_);
  }

  bool Add(std::string_view bytes) { return ready_ && Deflate(bytes, Z_NO_FLUSH); }
  bool Finish() { return ready_ && Deflate({}, Z_FINISH); }

private:
  bool Deflate(std::string_view bytes, int flush) {
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream_.avail_in = uInt(bytes.size());
    while (true) {
      stream_.next_out = out_.data();
      stream_.avail_out = uInt(out_.size());
      const int result = deflate(&stream_, flush);
      if (result == Z_STREAM_ERROR) return false;
      if (!WriteAllTo(fd_, out_.data(), out_.size() - stream_.avail_out)) return false;
      if (flush == Z_FINISH ? result == Z_STREAM_END : stream_.avail_out != 0) return true;
    }
  }

  int fd_;
  z_stream stream_{};
  bool ready_ = false;
  std::vector<unsigned char> out_ = std::vector<unsigned char>(kStep);
};

// Feeds the whole of `spool` (from its start) to `member`; false when it held fewer than `size` bytes.
bool AddSpool(TGzipMember& member, int spool, std::uint64_t size) {
  std::vector<char> buffer(kStep);
  std::uint64_t left = size;
  off_t at = 0;
  while (left > 0) {
    const ssize_t got = ::pread(spool, buffer.data(), size_t(std::min<std::uint64_t>(left, buffer.size())), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (!member.Add(std::string_view(buffer.data(), size_t(got)))) return false;
    at += got;
    left -= std::uint64_t(got);
  }
  return true;
}

}  // namespace

std::filesystem::path WarcPathNumbered(const std::filesystem::path& path, int number) {
  if (number == 0) return path;
  const std::string name = path.filename().string();
  size_t cut = name.size();
  for (const std::string_view ending : {".warc.gz", ".warc"}) {
    if (name.size() > ending.size() && name.ends_with(ending)) {
      cut = name.size() - ending.size();
      break;
    }
  }
  return path.parent_path() / (name.substr(0, cut) + "-" + std::to_string(number) + name.substr(cut));
}

std::unique_ptr<TWarcFile> TWarcFile::Create(const std::filesystem::path& path, std::string_view robotName) {
  for (int number = 0; number < kMaxNumbered; ++number) {
    const std::filesystem::path candidate = WarcPathNumbered(path, number);
    platform::TUniqueFd fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0666));
    if (!fd.Valid()) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    auto file = std::make_unique<TWarcFile>(TKey{}, candidate, std::move(fd));
    TWarcRecord info;
    info.Type = "warcinfo";
    file->infoId_ = NewWarcRecordId();
    // The robot's name is the user's, but still kept to its one line.
    std::string robot(robotName);
    std::replace_if(robot.begin(), robot.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    info.Held = "software: Varnelo " VARNELO_VERSION "\r\n"
                "format: WARC File Format 1.1\r\n"
                "conformsTo: http://bibnum.bnf.fr/WARC/WARC_ISO_28500_version1-1_latestdraft.pdf\r\n"
                "robot: " + robot + "\r\n";
    info.Fields = {{"WARC-Date", WarcDate(std::time(nullptr))},
                   {"WARC-Filename", candidate.filename().string()},
                   {"WARC-Record-ID", file->infoId_},
                   {"Content-Type", "application/warc-fields"},
                   {"WARC-Block-Digest", WarcDigestOf(info.Held)}};
    if (!file->Append({info})) {
      std::error_code ignored;
      std::filesystem::remove(candidate, ignored);
      return nullptr;
    }
    return file;
  }
  return nullptr;
}

bool TWarcFile::Append(const std::vector<TWarcRecord>& records) {
  const std::lock_guard<std::mutex> guard(mutex_);
  for (const TWarcRecord& record : records) {
    if (!AppendOne(record)) return false;
  }
  return true;
}

bool TWarcFile::AppendOne(const TWarcRecord& record) {
  const off_t start = ::lseek(fd_.Get(), 0, SEEK_END);
  if (start < 0) return false;
  const bool whole = [&] {
    const std::uint64_t length = record.Held.size() + (record.Spool >= 0 ? record.SpoolSize : 0);
    TGzipMember member(fd_.Get());
    return member.Add(WarcHeaderBlock(record.Type, record.Fields, length)) && member.Add(record.Held) &&
           (record.Spool < 0 || AddSpool(member, record.Spool, record.SpoolSize)) && member.Add("\r\n\r\n") &&
           member.Finish();
  }();
  // A member cut short would make every record after it unreadable.
  if (!whole && ::ftruncate(fd_.Get(), start) != 0) return false;
  return whole;
}

}  // namespace varnelo::retrieval
