#include "retrieval/store_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace varnelo::retrieval {
namespace {

// A name of its own beside the stored file: two URLs that differ only by their query share a store
// path, so two workers may write it at the same time.
std::string TemporaryName(const std::string& directory) {
  static std::atomic<unsigned long> counter{0};
  return directory + ".varnelo-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".part";
}

}  // namespace

TStoreFileWriter::TStoreFileWriter(std::string directory, std::string path) : path_(std::move(path)) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return;
  for (int attempt = 0; attempt < 100 && !fd_.Valid(); ++attempt) {
    temporary_ = TemporaryName(directory);
    fd_.Reset(::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd_.Valid() && errno != EEXIST) break;
  }
  if (!fd_.Valid()) temporary_.clear();
}

TStoreFileWriter::~TStoreFileWriter() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool TStoreFileWriter::Write(std::string_view bytes) {
  if (!fd_.Valid()) failed_ = true;
  while (!failed_ && !bytes.empty()) {
    const ssize_t written = ::write(fd_.Get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return !failed_;
}

bool TStoreFileWriter::Commit(std::time_t lastModified) {
  if (!fd_.Valid() || failed_) return false;
  // The time goes on before the rename, so that the stored copy never carries a time that would make
  // a conditional fetch trust a content it does not hold.
  const struct timespec times[2] = {{0, UTIME_NOW}, {lastModified, 0}};
  const bool written = ::fdatasync(fd_.Get()) == 0 && ::futimens(fd_.Get(), times) == 0;
  fd_.Reset();
  if (!written || ::rename(temporary_.c_str(), path_.c_str()) != 0) return false;
  temporary_.clear();
  return true;
}

}  // namespace varnelo::retrieval
