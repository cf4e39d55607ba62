#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/unique_fd.h"

namespace varnelo::platform {
namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, std::string_view content, const std::string& name) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(name);
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
}

void SyncFolder(const std::filesystem::path& folder) {
  TUniqueFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) ThrowErrno(folder.string());
  if (::fsync(dir.Get()) != 0) ThrowErrno(folder.string());
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  TUniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    ThrowErrno(file.string());
  }
  std::string content;
  struct stat info {};
  if (::fstat(fd.Get(), &info) == 0 && info.st_size > 0) content.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(file.string());
    }
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return content;
}

void ReplaceFileAtomically(const std::filesystem::path& file, std::string_view content) {
  ReplaceFileAtomically(file, [content](const TContentSink& sink) { sink(content); });
}

void ReplaceFileAtomically(const std::filesystem::path& file, const std::function<void(const TContentSink&)>& produce) {
  const std::string temporary = file.string() + ".tmp";
  struct stat existing {};
  const bool keepMode = ::stat(file.c_str(), &existing) == 0;

  {
    // A new file gets 0666 narrowed by the umask; a replaced one keeps its permissions.
    TUniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.Valid()) ThrowErrno(temporary);
    try {
      if (keepMode && ::fchmod(fd.Get(), existing.st_mode & 07777) != 0) ThrowErrno(temporary);
      produce([&](std::string_view piece) { WriteAll(fd.Get(), piece, temporary); });
      if (::fsync(fd.Get()) != 0) ThrowErrno(temporary);
    } catch (...) {
      ::unlink(temporary.c_str());
      throw;
    }
  }
  if (::rename(temporary.c_str(), file.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw std::system_error(error, std::generic_category(), file.string());
  }
  SyncFolder(file.parent_path());
}

}  // namespace varnelo::platform
