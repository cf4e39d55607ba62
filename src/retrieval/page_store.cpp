#include "retrieval/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/unique_fd.h"
#include "retrieval/store_paths.h"

namespace varnelo::retrieval {
namespace {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// A name of its own beside the stored file: two URLs that differ only by their query share a store
// path, so two workers may write it at the same time.
std::string TemporaryName(const std::string& directory) {
  static std::atomic<unsigned long> counter{0};
  return directory + ".varnelo-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".part";
}

// Writes `bytes` to `path` with the last-write time `lastModified`. A reader sees the old file or
// the whole new one, never a part of it, and a crash leaves no stored copy that is newer than its
// content. The file is made with 0666 narrowed by the umask: never executable.
bool WriteStoredFile(const std::string& directory, const std::string& path, std::string_view bytes,
                     std::time_t lastModified) {
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) return false;

  std::string temporary;
  platform::TUniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
    temporary = TemporaryName(directory);
    fd.Reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (!fd.Valid() && errno != EEXIST) return false;
  }
  if (!fd.Valid()) return false;

  // The time goes on before the rename, so that the stored copy never carries a time that would make
  // a conditional fetch trust a content it does not hold.
  const struct timespec times[2] = {{0, UTIME_NOW}, {lastModified, 0}};
  const bool written = WriteAll(fd.Get(), bytes) && ::fdatasync(fd.Get()) == 0 && ::futimens(fd.Get(), times) == 0;
  fd.Reset();
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

void LogSavingError(const fs::path& home, const std::string& path) {
  static std::mutex mutex;
  const std::string line = "Error writing to " + path + "\r\n";
  const std::lock_guard<std::mutex> lock(mutex);
  // One write in append mode: the line stays whole even beside another process appending.
  const platform::TUniqueFd fd(
      ::open((home / kErrorSavingLog).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (fd.Valid()) WriteAll(fd.Get(), line);
}

}  // namespace

bool SaveTextToStore(const fs::path& home, const url& record, std::string_view text, std::string_view site,
                     std::time_t lastModified) {
  return WriteStoredFile(StoreDirectory(home, site, record.Host, record.Dir),
                         StorePath(home, site, record.Host, record.Dir, record.FileName), text, lastModified);
}

bool SaveStreamToStore(const fs::path& home, const url& record, std::string_view bytes, std::string_view site,
                       std::time_t lastModified) {
  const std::string path = StorePath(home, site, record.Host, record.Dir, record.FileName);
  if (WriteStoredFile(StoreDirectory(home, site, record.Host, record.Dir), path, bytes, lastModified)) return true;
  LogSavingError(home, path);
  return false;
}

}  // namespace varnelo::retrieval
