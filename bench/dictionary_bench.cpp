// Registering a dictionary of a million words (trim, lower, sort in collation order without regard
// to case, drop duplicates, rewrite with a ".bak" copy, record it in robotconfig.ini) against
// `sort -f -u` of the same file. The words are made up from French-looking syllables with accents, in
// mixed case, with a share of duplicates and blanks around them; the same seed gives the same file.

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "search/dictionary_file.h"
#include "search/dictionary_register.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

constexpr size_t kWordCount = 1'000'000;
constexpr int kRounds = 3;

fs::path MakeTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "dictionary-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

// Written word by word so that the program's own memory stays small before the measure.
size_t WriteWords(const fs::path& file) {
  static const char* const kSyllables[] = {"ba", "bé", "cha", "ço", "de", "dè", "é", "fi", "ga", "gê", "hi", "î",
                                           "jo", "ka", "la", "lu", "mâ", "mo", "na", "nö", "ou", "pa", "pi", "quo",
                                           "ra", "rè", "sa", "sô", "ta", "tü", "ve", "vi", "wa", "xa", "ye", "zé",
                                           "ŒU", "Æ", "Bé", "CHA", "Mo", "ÉTÉ", "ñ", "ß"};
  static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\n", " \r\n", "\t\r\n"};
  std::mt19937 random(2026);
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  std::ofstream out(file, std::ios::binary);
  std::vector<std::string> recent;
  for (size_t i = 0; i < kWordCount; ++i) {
    std::string word;
    if (!recent.empty() && pick(10) == 0) {
      word = recent[pick(recent.size())];  // a duplicate, often in another case
      if (pick(2) == 0 && !word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
    } else {
      for (size_t k = 2 + pick(4); k > 0; --k) word += kSyllables[pick(std::size(kSyllables))];
      if (recent.size() < 4096) recent.push_back(word); else recent[pick(recent.size())] = word;
    }
    if (pick(20) == 0) out << "  ";
    out << word << kEnds[pick(std::size(kEnds))];
  }
  return static_cast<size_t>(out.tellp());
}

double Seconds(TClock::time_point start) { return std::chrono::duration<double>(TClock::now() - start).count(); }

long PeakRssKiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  const fs::path folder = MakeTempFolder();
  const fs::path source = folder / "source.txt";
  const size_t bytes = WriteWords(source);
  const long rssBefore = PeakRssKiB();

  double ours = 1e30;
  size_t words = 0;
  for (int round = 0; round < kRounds; ++round) {
    const fs::path home = folder / ("home" + std::to_string(round));
    fs::create_directories(home);
    const fs::path dictionary = home / "words.txt";
    fs::copy_file(source, dictionary);
    const auto start = TClock::now();
    const auto result = varnelo::search::NormaliseDictionaryFile(dictionary, nullptr);
    varnelo::search::AddDictionary(varnelo::config::TConfigStore(home / "robotconfig.ini"), dictionary.string());
    ours = std::min(ours, Seconds(start));
    words = result.wordCount;
  }
  const long rssAfter = PeakRssKiB();

  double peer = 1e30;
  const std::string command = "sort -f -u '" + source.string() + "' -o '" + (folder / "sorted.txt").string() + "'";
  for (int round = 0; round < kRounds; ++round) {
    const auto start = TClock::now();
    const int status = std::system(command.c_str());
    peer = std::min(peer, Seconds(start));
    if (status != 0) {
      std::fprintf(stderr, "sort failed: %d\n", status);
      return 1;
    }
  }
  fs::remove_all(folder);

  const char* locale = std::getenv("LC_ALL");
  std::printf("file: %zu lines, %.1f MB, %zu words after registration\n", kWordCount, bytes / 1e6, words);
  std::printf("ours       %8.3f s  (read, ICU sort keys, sort, unique, rewrite + .bak, register)\n", ours);
  std::printf("sort -f -u %8.3f s  (LC_ALL=%s)\n", peer, locale ? locale : "(unset)");
  std::printf("peak memory %.1f MB (%.1f MB before registering), file %.1f MB\n", rssAfter / 1024.0,
              rssBefore / 1024.0, bytes / 1e6);
  std::printf("RATIO dictionary %.3f\n", ours / peer);
  return 0;
}
