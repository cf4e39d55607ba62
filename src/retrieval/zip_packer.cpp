#include "retrieval/zip_packer.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace varnelo::retrieval {
namespace {

namespace fs = std::filesystem;

struct TZipDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct TZipFileClose {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct TZipSourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using TZipPtr = std::unique_ptr<zip_t, TZipDiscard>;
using TZipFilePtr = std::unique_ptr<zip_file_t, TZipFileClose>;
using TZipSourcePtr = std::unique_ptr<zip_source_t, TZipSourceFree>;

// A zip entry holds the local date and time of its file, seconds rounded down to even and years from
// 1980 on. Newer is decided on those fields as the entry holds them: the same file always gives the
// same fields, whereas the instant that libzip makes of them again is ambiguous in the hour that
// summer time repeats.
using TZipTime = std::array<int, 6>;

TZipTime ZipTimeOf(std::time_t instant) {
  struct tm fields {};
  if (::localtime_r(&instant, &fields) == nullptr) return {};
  return {std::max(fields.tm_year, 80), fields.tm_mon, fields.tm_mday, fields.tm_hour, fields.tm_min,
          fields.tm_sec - fields.tm_sec % 2};
}

std::time_t LastWriteTime(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return 0;
  return info.st_mtim.tv_sec;
}

bool SameContent(zip_t* archive, zip_uint64_t index, const fs::path& file) {
  std::ifstream input(file, std::ios::binary);
  const TZipFilePtr entry(zip_fopen_index(archive, index, 0));
  if (!input || !entry) return false;
  std::vector<char> fromEntry(65536);
  std::vector<char> fromFile(fromEntry.size());
  for (;;) {
    const zip_int64_t got = zip_fread(entry.get(), fromEntry.data(), fromEntry.size());
    if (got < 0) return false;
    input.read(fromFile.data(), got);
    if (input.gcount() != got) return false;
    if (!std::equal(fromEntry.begin(), fromEntry.begin() + got, fromFile.begin())) return false;
    if (got == 0) return input.peek() == std::ifstream::traits_type::eof();
  }
}

// A file replaces its entry when it is newer, or when its content differs: pages without a
// Last-Modified all carry the same time, and a change within a zip's two-second step shows no newer
// time either.
bool NeedsReplacing(zip_t* archive, zip_uint64_t index, const fs::path& file, std::uintmax_t size) {
  zip_stat_t entry;
  zip_stat_init(&entry);
  if (zip_stat_index(archive, index, 0, &entry) != 0) return true;
  if ((entry.valid & ZIP_STAT_MTIME) == 0 || ZipTimeOf(LastWriteTime(file)) > ZipTimeOf(entry.mtime)) return true;
  if ((entry.valid & ZIP_STAT_SIZE) == 0 || entry.size != size) return true;
  return !SameContent(archive, index, file);
}

bool AddOrReplace(zip_t* archive, const fs::path& file, const std::string& name, std::uintmax_t size) {
  // Names are the bytes of the file system; looked up raw so that a name that is not UTF-8 is found
  // again as it was stored.
  const zip_int64_t index = zip_name_locate(archive, name.c_str(), ZIP_FL_ENC_RAW);
  if (index >= 0 && !NeedsReplacing(archive, static_cast<zip_uint64_t>(index), file, size)) return true;
  TZipSourcePtr source(zip_source_file(archive, file.c_str(), 0, -1));
  if (!source) return false;
  if (index >= 0) {
    if (zip_file_replace(archive, static_cast<zip_uint64_t>(index), source.get(), 0) != 0) return false;
  } else if (zip_file_add(archive, name.c_str(), source.get(), ZIP_FL_ENC_GUESS) < 0) {
    return false;
  }
  source.release();  // the archive owns it now
  return true;
}

bool IsSameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error);
}

}  // namespace

bool PackSiteCopy(const fs::path& zipPath, const fs::path& siteFolder) {
  fs::path folder = siteFolder.lexically_normal();
  if (!folder.has_filename()) folder = folder.parent_path();
  std::error_code error;
  if (!fs::is_directory(folder, error)) return false;

  int openError = 0;
  TZipPtr archive(zip_open(zipPath.c_str(), ZIP_CREATE, &openError));
  if (!archive) return false;

  const fs::path base = folder.parent_path();
  fs::recursive_directory_iterator walk(folder, error);
  if (error) return false;
  for (; walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    if (error) return false;
    const fs::directory_entry& entry = *walk;
    // Links are not followed: whatever they point at is not part of the copy.
    if (!entry.is_regular_file(error) || entry.is_symlink(error)) continue;
    // An archive kept inside the copy is not packed into itself.
    if (IsSameFile(entry.path(), zipPath)) continue;
    const std::string name = entry.path().lexically_relative(base).generic_string();
    if (!AddOrReplace(archive.get(), entry.path(), name, entry.file_size(error)) || error) return false;
  }
  if (error) return false;
  if (zip_close(archive.get()) != 0) return false;  // the archive is then discarded, the old one kept
  archive.release();
  return true;
}

}  // namespace varnelo::retrieval
