#pragma once

#include <filesystem>
#include <mutex>

#include "platform/unique_fd.h"

namespace varnelo::platform {

// Exclusive lock on a file path that holds across the threads of this process (one mutex per path)
// and across processes (flock on a lock file beside the guarded file).
class TFileLock {
public:
  // Locks `guarded`; the lock file is `guarded` with ".lock" appended. Throws std::system_error when
  // the lock file cannot be opened.
  explicit TFileLock(const std::filesystem::path& guarded);
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;
  ~TFileLock();

private:
  std::unique_lock<std::mutex> threadLock_;
  TUniqueFd lockFile_;
};

}  // namespace varnelo::platform
