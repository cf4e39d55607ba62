// Cost of one read and one write of the configuration store, beside the floor a durable replacement
// of a file of the same size costs (write a temporary, fsync, rename, fsync the folder). A store write
// rereads, edits and replaces the whole file, so it should cost about one floor at every size.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "config/config_store.h"
#include "config/ini_text.h"
#include "platform/unique_fd.h"

namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;
using varnelo::config::TConfigStore;
using varnelo::platform::TUniqueFd;

constexpr int kKeysPerSection = 100;
constexpr auto kMinimumTime = std::chrono::milliseconds(400);
constexpr int kMinimumRuns = 30;
constexpr int kMaximumRuns = 20000;

[[noreturn]] void Fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

class TScratchDir {
public:
  TScratchDir() {
    std::string pattern = "/tmp/varnelo-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp");
    path_ = pattern;
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  ~TScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

private:
  fs::path path_;
};

std::string KeyName(int index) { return "key" + std::to_string(index); }
std::string SectionName(int index) { return "robot" + std::to_string(index / kKeysPerSection); }

// A robotconfig.ini-like file: sections of a hundred keys with values of a realistic length.
std::string StoreText(int keyCount) {
  std::string text = "[general]\r\nnextrobot=1\r\n";
  for (int i = 0; i < keyCount; ++i) {
    if (i % kKeysPerSection == 0) text += "[" + SectionName(i) + "]\r\n";
    text += KeyName(i) + "=http://www.example.com/path/" + std::to_string(i) + ",processing\r\n";
  }
  return text;
}

void WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail("write");
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
}

// The least a durable, atomic replacement of `file` costs.
void ReplaceFloor(const fs::path& file, std::string_view content) {
  const std::string temporary = file.string() + ".floor";
  {
    TUniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.Valid()) Fail(temporary);
    WriteAll(fd.Get(), content);
    if (::fsync(fd.Get()) != 0) Fail(temporary);
  }
  if (::rename(temporary.c_str(), file.c_str()) != 0) Fail(file.string());
  TUniqueFd folder(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.Valid() || ::fsync(folder.Get()) != 0) Fail(file.parent_path().string());
}

// The least a read of `file` costs: open it and read it whole.
size_t ReadFloor(const fs::path& file) {
  TUniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) Fail(file.string());
  std::string content;
  struct stat info {};
  if (::fstat(fd.Get(), &info) == 0) content.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got < 0) Fail(file.string());
    if (got == 0) break;
    content.append(buffer, static_cast<size_t>(got));
  }
  return content.size();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double MicrosecondsSince(TClock::time_point start) {
  return std::chrono::duration<double, std::micro>(TClock::now() - start).count();
}

// Times `measured` and `floor` in alternation, so that both see the same state of the disk and its
// caches, and returns the median microseconds of each.
template <typename TMeasured, typename TFloor>
std::pair<double, double> TimePair(TMeasured measured, TFloor floor) {
  std::vector<double> measuredTimes;
  std::vector<double> floorTimes;
  const auto begin = TClock::now();
  for (int run = 0; run < kMaximumRuns && (run < kMinimumRuns || TClock::now() - begin < kMinimumTime); ++run) {
    auto start = TClock::now();
    measured(run);
    measuredTimes.push_back(MicrosecondsSince(start));
    start = TClock::now();
    floor(run);
    floorTimes.push_back(MicrosecondsSince(start));
  }
  return {Median(measuredTimes), Median(floorTimes)};
}

struct TRow {
  int keys = 0;
  size_t bytes = 0;
  double read = 0;
  double readFloor = 0;
  double parse = 0;
  double write = 0;
  double writeFloor = 0;
};

TRow Measure(const fs::path& folder, int keyCount) {
  const fs::path storeFile = folder / ("store" + std::to_string(keyCount) + ".ini");
  const fs::path floorFile = folder / ("floor" + std::to_string(keyCount) + ".ini");
  const std::string text = StoreText(keyCount);
  ReplaceFloor(storeFile, text);
  ReplaceFloor(floorFile, text);
  const TConfigStore store(storeFile);

  TRow row;
  row.keys = keyCount;
  row.bytes = text.size();
  // The last key is the one a lookup reaches last.
  const int lastKey = keyCount - 1;
  size_t sink = 0;
  std::tie(row.read, row.readFloor) = TimePair(
      [&](int) { sink += store.ReadString(SectionName(lastKey), KeyName(lastKey), "").size(); },
      [&](int) { sink += ReadFloor(floorFile); });
  // The in-memory part of every operation: splitting the file's bytes into classified lines.
  double unused = 0;
  std::tie(row.parse, unused) = TimePair(
      [&](int) { sink += varnelo::config::TIniText(text).SectionNames().size(); }, [](int) {});
  if (sink == 0) std::fputs("nothing was read\n", stderr);

  // Values of one length, so the file keeps its size from one write to the next; the key sits in the
  // middle of the file, so the edit moves half of it.
  const int middleKey = keyCount / 2;
  std::string floorText = text;
  std::tie(row.write, row.writeFloor) = TimePair(
      [&](int run) {
        store.WriteString(SectionName(middleKey), KeyName(middleKey),
                          run % 2 == 0 ? "http://www.example.com/done/x,processingdone"
                                       : "http://www.example.com/done/y,processingdone");
      },
      [&](int run) {
        floorText[floorText.size() / 2] = run % 2 == 0 ? 'x' : 'y';
        ReplaceFloor(floorFile, floorText);
      });
  return row;
}

}  // namespace

int main() {
  try {
    const TScratchDir scratch;
    std::vector<TRow> rows;
    for (int keyCount : {10, 1000, 10000}) rows.push_back(Measure(scratch.Path(), keyCount));

    std::printf("Configuration store, median microseconds per operation (folder %s)\n", scratch.Path().c_str());
    std::printf("%6s %8s | %8s %10s %6s | %8s | %8s %8s %6s %8s\n", "keys", "bytes", "read", "read-floor",
                "ratio", "parse", "write", "wr-floor", "ratio", "write/KB");
    for (const TRow& row : rows) {
      std::printf("%6d %8zu | %8.1f %10.1f %6.2f | %8.1f | %8.1f %8.1f %6.2f %8.2f\n", row.keys, row.bytes, row.read,
                  row.readFloor, row.read / row.readFloor, row.parse, row.write, row.writeFloor,
                  row.write / row.writeFloor, row.write / (static_cast<double>(row.bytes) / 1024));
    }
    std::puts("read-floor: open the file and read it whole. parse: split the bytes into lines, in memory.");
    std::puts("wr-floor: write a temporary file of the same size, fsync it, rename it over the file, fsync the");
    std::puts("folder.");
    std::puts("ratio: store / floor. write/KB: microseconds of a store write per KiB of file (flat when linear).");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "config_store_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
