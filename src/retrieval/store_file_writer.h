#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace varnelo::retrieval {

// A file of the page store written as its bytes arrive: a temporary file beside it takes them, and
// Commit puts it in place. A reader sees the old file or the whole new one, never a part of it, and a
// writer dropped before Commit leaves nothing behind. The file is made with 0666 narrowed by the
// umask: never executable.
class TStoreFileWriter {
public:
  // Creates the missing directories of `directory` and the temporary file in it; Valid() says whether
  // that worked.
  TStoreFileWriter(std::string directory, std::string path);
  TStoreFileWriter(const TStoreFileWriter&) = delete;
  TStoreFileWriter& operator=(const TStoreFileWriter&) = delete;
  ~TStoreFileWriter();

  bool Valid() const { return fd_.Valid(); }
  const std::string& Path() const { return path_; }

  // False once a write failed (later calls then fail too).
  bool Write(std::string_view bytes);

  // Gives the file the last-write time `lastModified` and puts it in place. False when anything failed.
  bool Commit(std::time_t lastModified);

private:
  std::string path_;
  std::string temporary_;
  platform::TUniqueFd fd_;
  bool failed_ = false;
};

}  // namespace varnelo::retrieval
