#include "retrieval/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/unique_fd.h"
#include "retrieval/store_file_writer.h"
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

bool WriteStoredFile(const std::string& directory, const std::string& path, std::string_view bytes,
                     std::time_t lastModified) {
  TStoreFileWriter writer(directory, path);
  return writer.Write(bytes) && writer.Commit(lastModified);
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

std::unique_ptr<TStoreFileWriter> OpenStoreFile(const fs::path& home, const url& record, std::string_view site) {
  return std::make_unique<TStoreFileWriter>(StoreDirectory(home, site, record.Host, record.Dir),
                                            StorePath(home, site, record.Host, record.Dir, record.FileName));
}

bool CommitStoreFile(const fs::path& home, TStoreFileWriter& writer, std::time_t lastModified) {
  if (writer.Commit(lastModified)) return true;
  LogSavingError(home, writer.Path());
  return false;
}

}  // namespace varnelo::retrieval
