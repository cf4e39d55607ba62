#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>

#include "search/dictionary_progress.h"

namespace varnelo::search {

// A dictionary file that cannot be read: "Unable to read <path>: <reason>".
class EDictionaryReadError : public std::runtime_error {
public:
  EDictionaryReadError(const std::filesystem::path& file, const std::string& reason);
};

struct TNormalisation {
  size_t wordCount = 0;
  bool rewritten = false;  // false when "<file>.bak" already existed, so the file was left as it was
};

// Normalises a dictionary file in place: its words trimmed, lowered, sorted and made unique (see
// TSortedWordList), one per line with CR LF; the file as it was is kept as "<file>.bak". When the
// ".bak" file exists already, nothing is touched. The file's name always holds either the old or the
// new content, never a half-written one. Throws EDictionaryReadError when the file cannot be read,
// std::system_error when the new file cannot be written (the old one is then left as it was).
// An exception that `progress` throws passes on, with the file left as it was.
TNormalisation NormaliseDictionaryFile(const std::filesystem::path& file, const TDictionaryProgress& progress);

// The backup name: the whole file name with ".bak" added.
std::filesystem::path BackupPath(const std::filesystem::path& file);

}  // namespace varnelo::search
