#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "platform/percent_encoding.h"
#include "platform/unique_fd.h"

namespace varnelo::platform {
namespace fs = std::filesystem;
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

void MakePrivateFolder(const fs::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) ThrowErrno(errno, folder.string());
}

bool Exists(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsUnreservedByte(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

std::string EncodePath(std::string_view path) { return PercentEncode(path, IsUnreservedByte); }

void WriteAll(int fd, std::string_view content, const fs::path& name) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, name.string());
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
}

// Creates the info file of the first free name, exclusively, so that two programs trashing files of
// the same name at once cannot take the same one.
std::string ReserveName(const fs::path& filesFolder, const fs::path& infoFolder, const std::string& base,
                        std::string_view infoText) {
  for (unsigned attempt = 1;; ++attempt) {
    const std::string name = attempt == 1 ? base : base + "." + std::to_string(attempt);
    if (Exists(filesFolder / name)) continue;
    const fs::path info = infoFolder / (name + ".trashinfo");
    TUniqueFd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.Valid()) {
      if (errno == EEXIST) continue;
      ThrowErrno(errno, info.string());
    }
    try {
      WriteAll(fd.Get(), infoText, info);
      if (::fsync(fd.Get()) != 0) ThrowErrno(errno, info.string());
    } catch (...) {
      ::unlink(info.c_str());
      throw;
    }
    return name;
  }
}

}  // namespace

fs::path HomeTrashDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && fs::path(dataHome).is_absolute()) return fs::path(dataHome) / "Trash";
  const char* home = std::getenv("HOME");
  if (home != nullptr && fs::path(home).is_absolute()) return fs::path(home) / ".local/share/Trash";
  throw std::runtime_error("No trash folder: neither XDG_DATA_HOME nor HOME is an absolute path");
}

std::string TrashInfoText(std::string_view absolutePath, std::time_t deletionTime) {
  std::tm local {};
  ::localtime_r(&deletionTime, &local);
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + EncodePath(absolutePath) + "\nDeletionDate=" + date + "\n";
}

TTrashedFile MoveToTrash(const fs::path& file, const fs::path& trashDirectory, std::time_t now) {
  const fs::path original = fs::absolute(file).lexically_normal();
  const std::string base = original.filename().string();
  if (base.empty() || base == "." || base == "..") ThrowErrno(EINVAL, file.string());
  if (!Exists(original)) ThrowErrno(ENOENT, original.string());

  if (trashDirectory.has_parent_path()) fs::create_directories(trashDirectory.parent_path());
  MakePrivateFolder(trashDirectory);
  const fs::path filesFolder = trashDirectory / "files";
  const fs::path infoFolder = trashDirectory / "info";
  MakePrivateFolder(filesFolder);
  MakePrivateFolder(infoFolder);

  const std::string name = ReserveName(filesFolder, infoFolder, base, TrashInfoText(original.string(), now));
  TTrashedFile trashed{filesFolder / name, infoFolder / (name + ".trashinfo")};
  if (::rename(original.c_str(), trashed.file.c_str()) != 0) {
    const int error = errno;
    ::unlink(trashed.info.c_str());
    ThrowErrno(error, original.string());
  }
  return trashed;
}

}  // namespace varnelo::platform
