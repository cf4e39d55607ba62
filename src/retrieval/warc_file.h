#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"
#include "retrieval/warc_record.h"

namespace varnelo::retrieval {

// One record to write: its type, its fields, and its block, made of `held` followed by the whole of
// the file `spool` (when valid) of `spoolSize` bytes.
struct TWarcRecord {
  std::string Type;
  TWarcFields Fields;
  std::string Held;
  int Spool = -1;
  std::uint64_t SpoolSize = 0;
};

// A WARC file that a crawl's workers append to, one gzip member per record. A member is written whole
// before the next begins, and one that cannot be written whole is cut off again, so the file stays
// readable at every moment between two records, however the run ends.
class TWarcFile {
public:
  // Creates `path`, or when a file of that name exists, the first free name with "-1", "-2"... before
  // its ".warc.gz" (the file of an earlier run is never touched), and writes the warcinfo record.
  // Null when no file could be made.
  static std::unique_ptr<TWarcFile> Create(const std::filesystem::path& path, std::string_view robotName);

  TWarcFile(const TWarcFile&) = delete;
  TWarcFile& operator=(const TWarcFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  const std::string& InfoId() const { return infoId_; }

  // Appends the records one after the other, nothing of another thread's between them (a request
  // beside its response). False when one could not be written: it and the ones after are left out.
  bool Append(const std::vector<TWarcRecord>& records);

private:
  // Lets only Create make a file, through make_unique.
  struct TKey {};

public:
  TWarcFile(TKey, std::filesystem::path path, platform::TUniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}

private:
  bool AppendOne(const TWarcRecord& record);

  std::filesystem::path path_;
  platform::TUniqueFd fd_;
  std::string infoId_;
  std::mutex mutex_;
};

// `path` when free, else the first free name of the row "-1", "-2"... put before the ".warc.gz" or
// ".warc" ending (or at the end of a name without one).
std::filesystem::path WarcPathNumbered(const std::filesystem::path& path, int number);

}  // namespace varnelo::retrieval
