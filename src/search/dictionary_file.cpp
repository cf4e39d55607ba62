#include "search/dictionary_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <fcntl.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "search/sorted_word_list.h"
#include "platform/word_collator.h"

namespace varnelo::search {
namespace fs = std::filesystem;
namespace {

// Calls the progress handler only when the bar would move, and at the end of a phase.
class TProgressReporter {
public:
  explicit TProgressReporter(const TDictionaryProgress& progress) : progress_(progress) {}

  void Report(TDictionaryPhase phase, uint64_t done, uint64_t total) {
    if (!progress_ || total == 0) return;
    const int position = ProgressPosition(done, total);
    if (phase == phase_ && position == position_ && done != total) return;
    phase_ = phase;
    position_ = position;
    progress_(phase, done, total);
  }

private:
  const TDictionaryProgress& progress_;
  TDictionaryPhase phase_ = TDictionaryPhase::Reading;
  int position_ = 0;
};

std::string ReadDictionary(const fs::path& file) {
  try {
    std::optional<std::string> content = platform::ReadWholeFile(file);
    if (!content) throw EDictionaryReadError(file, std::strerror(ENOENT));
    return std::move(*content);
  } catch (const std::system_error& error) {
    throw EDictionaryReadError(file, error.code().message());
  }
}

enum class TBackup { Linked, Moved, Exists };

// Keeps the file as it is under its ".bak" name without ever replacing an existing ".bak": a hard
// link keeps the dictionary readable all along; where links are not possible it is moved instead.
TBackup MakeBackup(const fs::path& file, const fs::path& backup) {
  if (::link(file.c_str(), backup.c_str()) == 0) return TBackup::Linked;
  if (errno == EEXIST) return TBackup::Exists;
  if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0) return TBackup::Moved;
  return TBackup::Exists;  // the file stays as it was, as when the backup exists
}

void UndoBackup(const fs::path& file, const fs::path& backup, TBackup backupKind) {
  if (backupKind == TBackup::Linked) {
    ::unlink(backup.c_str());
  } else if (backupKind == TBackup::Moved) {
    ::renameat2(AT_FDCWD, backup.c_str(), AT_FDCWD, file.c_str(), RENAME_NOREPLACE);
  }
}

}  // namespace

EDictionaryReadError::EDictionaryReadError(const fs::path& file, const std::string& reason)
    : std::runtime_error("Unable to read " + file.string() + ": " + reason) {}

fs::path BackupPath(const fs::path& file) { return fs::path(file.string() + ".bak"); }

TNormalisation NormaliseDictionaryFile(const fs::path& file, const TDictionaryProgress& progress) {
  std::string content = ReadDictionary(file);
  TProgressReporter reporter(progress);

  platform::TWordCollator collator;
  const TSortedWordList words = TSortedWordList::FromText(
      content, collator, [&](uint64_t bytesRead) { reporter.Report(TDictionaryPhase::Reading, bytesRead, content.size()); });
  std::string().swap(content);  // the words hold their own copy now
  const std::string text =
      words.ToText([&](size_t written) { reporter.Report(TDictionaryPhase::Writing, written, words.Size()); });

  TNormalisation result;
  result.wordCount = words.Size();
  const fs::path backup = BackupPath(file);
  const TBackup backupKind = MakeBackup(file, backup);
  if (backupKind == TBackup::Exists) return result;
  try {
    platform::ReplaceFileAtomically(file, text);
  } catch (...) {
    UndoBackup(file, backup, backupKind);
    throw;
  }
  result.rewritten = true;
  return result;
}

}  // namespace varnelo::search
