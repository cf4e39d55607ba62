#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <map>
#include <memory>
#include <system_error>

namespace varnelo::platform {
namespace {

std::mutex& MutexForPath(const std::filesystem::path& guarded) {
  static std::mutex registryMutex;
  // Entries live as long as the process: there is one per file the program ever writes.
  static std::map<std::string, std::unique_ptr<std::mutex>> registry;
  const std::string key = std::filesystem::absolute(guarded).lexically_normal().string();
  std::lock_guard guard(registryMutex);
  auto& slot = registry[key];
  if (!slot) slot = std::make_unique<std::mutex>();
  return *slot;
}

}  // namespace

TFileLock::TFileLock(const std::filesystem::path& guarded) : threadLock_(MutexForPath(guarded)) {
  const std::string lockPath = guarded.string() + ".lock";
  lockFile_.Reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!lockFile_.Valid()) throw std::system_error(errno, std::generic_category(), lockPath);
  while (::flock(lockFile_.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), lockPath);
  }
}

TFileLock::~TFileLock() {
  // Closing the descriptor releases the flock; the mutex is released after it.
  lockFile_.Reset();
}

}  // namespace varnelo::platform
