#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <latch>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_store.h"
#include "platform/unique_fd.h"
#include "search/dictionary_register.h"
#include "support/temp_home.h"

extern char** environ;

namespace varnelo::config {
namespace {

namespace fs = std::filesystem;
using platform::TUniqueFd;

// The value store_writer gives each key; a torn write shows as a value that is not this one.
std::string ValueFor(std::string_view key) { return "value-of-" + std::string(key) + "-end"; }

std::string KeyName(std::string_view prefix, int index) { return std::string(prefix) + std::to_string(index); }

using TSections = std::map<std::string, std::map<std::string, std::string>>;

// Reads the text as the store writes it and fails on anything else: a line not ended by CR LF, a line
// that is neither "[section]" nor "key=value", a key before any section, a name that stands twice.
testing::AssertionResult ParseStrictly(std::string_view text, TSections& sections) {
  sections.clear();
  std::map<std::string, std::string>* current = nullptr;
  for (size_t lineNo = 1; !text.empty(); ++lineNo) {
    const size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      return testing::AssertionFailure() << "line " << lineNo << " has no CR LF: \"" << text << "\"";
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 2);
    if (line.find_first_of("\r\n") != std::string_view::npos) {
      return testing::AssertionFailure() << "line " << lineNo << " holds a lone line break";
    }
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const auto [it, added] = sections.try_emplace(std::string(line.substr(1, line.size() - 2)));
      if (!added) return testing::AssertionFailure() << "section " << line << " stands twice";
      current = &it->second;
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      return testing::AssertionFailure() << "line " << lineNo << " is malformed: \"" << line << "\"";
    }
    if (current == nullptr) return testing::AssertionFailure() << "line " << lineNo << " is outside a section";
    const auto [it, added] = current->try_emplace(std::string(line.substr(0, equals)), line.substr(equals + 1));
    if (!added) return testing::AssertionFailure() << "key " << it->first << " stands twice";
  }
  return testing::AssertionSuccess();
}

// Names each key that is missing, extra or of another value, rather than printing two whole files.
testing::AssertionResult SameSections(const TSections& onDisk, const TSections& expected) {
  std::vector<std::string> differences;
  const auto note = [&](const std::string& section, const std::string& key, const std::string& what) {
    differences.push_back("[" + section + "] " + key + ": " + what);
  };
  for (const auto& [section, keys] : expected) {
    const auto found = onDisk.find(section);
    for (const auto& [key, value] : keys) {
      const auto there = found == onDisk.end() ? nullptr : &found->second;
      if (there == nullptr || !there->contains(key)) {
        note(section, key, "missing");
      } else if (there->at(key) != value) {
        note(section, key, "\"" + there->at(key) + "\" instead of \"" + value + "\"");
      }
    }
  }
  for (const auto& [section, keys] : onDisk) {
    const auto wanted = expected.find(section);
    for (const auto& [key, value] : keys) {
      if (wanted == expected.end() || !wanted->second.contains(key)) note(section, key, "unexpected");
    }
  }
  if (differences.empty()) return testing::AssertionSuccess();
  auto failure = testing::AssertionFailure() << differences.size() << " differences:";
  for (size_t i = 0; i < std::min<size_t>(differences.size(), 20); ++i) failure << "\n  " << differences[i];
  return failure;
}

// Files in the folder besides the store and its lock file, such as a temporary file left behind.
std::vector<std::string> StrayFiles(const fs::path& file) {
  std::vector<std::string> strays;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) {
    const fs::path name = entry.path().filename();
    if (name != file.filename() && name.string() != file.filename().string() + ".lock") strays.push_back(name);
  }
  return strays;
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

struct TPipe {
  TUniqueFd read;
  TUniqueFd write;
};

TPipe MakePipe() {
  // Close-on-exec, so that a writer spawned by another thread never holds our end open.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  return {TUniqueFd(fds[0]), TUniqueFd(fds[1])};
}

class TSpawnActions {
public:
  TSpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  TSpawnActions(const TSpawnActions&) = delete;
  TSpawnActions& operator=(const TSpawnActions&) = delete;
  ~TSpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  posix_spawn_file_actions_t* Get() { return &actions_; }

private:
  posix_spawn_file_actions_t actions_;
};

// A store_writer child with pipes on its stdin (the go signal) and stdout (the first-write signal).
// A child still running at the end of the scope is killed and reaped, so a failed assertion leaves
// no writer behind.
class TWriterProcess {
public:
  explicit TWriterProcess(std::vector<std::string> arguments) {
    TPipe input = MakePipe();
    TPipe output = MakePipe();
    TSpawnActions actions;
    ::posix_spawn_file_actions_adddup2(actions.Get(), input.read.Get(), STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(actions.Get(), output.write.Get(), STDOUT_FILENO);
    arguments.insert(arguments.begin(), STORE_WRITER_PATH);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int error = ::posix_spawn(&pid_, STORE_WRITER_PATH, actions.Get(), nullptr, argv.data(), environ);
    if (error != 0) throw std::system_error(error, std::generic_category(), "posix_spawn " STORE_WRITER_PATH);
    toChild_ = std::move(input.write);
    fromChild_ = std::move(output.read);
  }
  TWriterProcess(const TWriterProcess&) = delete;
  TWriterProcess& operator=(const TWriterProcess&) = delete;
  ~TWriterProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }

  void Go() {
    const char byte = 'g';
    while (::write(toChild_.Get(), &byte, 1) < 0 && errno == EINTR) {
    }
  }

  // True once the child reports that its first write has returned; false when it ends without. The
  // limit only keeps a hung writer from hanging the suite.
  bool WaitFirstWrite() {
    pollfd poller{fromChild_.Get(), POLLIN, 0};
    if (::poll(&poller, 1, 30000) != 1) return false;
    char byte = 0;
    return ::read(fromChild_.Get(), &byte, 1) == 1;
  }

  void Kill() { ::kill(pid_, SIGKILL); }

  // The child's wait status.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

private:
  pid_t pid_ = -1;
  TUniqueFd toChild_;
  TUniqueFd fromChild_;
};

class ConfigStoreConcurrencyTest : public testing::Test {
protected:
  fs::path File() const { return dir_.Path() / "robotconfig.ini"; }

  // Writes `prefix`0 .. `prefix`<count-1> into `section`, as store_writer does.
  void WriteKeys(std::string_view section, std::string_view prefix, int count) const {
    const TConfigStore store(File());
    for (int i = 0; i < count; ++i) {
      const std::string key = KeyName(prefix, i);
      store.WriteString(section, key, ValueFor(key));
    }
  }

  static void Expect(TSections& expected, const std::string& section, std::string_view prefix, int count) {
    for (int i = 0; i < count; ++i) {
      const std::string key = KeyName(prefix, i);
      expected[section][key] = ValueFor(key);
    }
  }

  test::TTempDir dir_;
};

TEST_F(ConfigStoreConcurrencyTest, ThreadsWritingDistinctKeysLoseNoWrite) {
  constexpr int kThreads = 8;
  constexpr int kKeysPerThread = 50;
  // Half the keys share one section and half go to sections the threads create as they race, so both
  // the append of a key and the append of a section are contended.
  const auto keyOf = [](int t, int i) { return KeyName("t" + std::to_string(t) + "k", i); };
  const auto sectionOf = [](int t, int i) { return i % 2 == 0 ? std::string("Shared") : "Thread" + std::to_string(t); };
  std::atomic<int> failedWrites = 0;
  std::latch start(kThreads);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        const TConfigStore store(File());
        start.arrive_and_wait();
        for (int i = 0; i < kKeysPerThread; ++i) {
          try {
            store.WriteString(sectionOf(t, i), keyOf(t, i), ValueFor(keyOf(t, i)));
          } catch (const EConfigWriteError&) {
            ++failedWrites;
          }
        }
      });
    }
  }
  EXPECT_EQ(failedWrites.load(), 0);

  TSections expected;
  for (int t = 0; t < kThreads; ++t) {
    for (int i = 0; i < kKeysPerThread; ++i) expected[sectionOf(t, i)][keyOf(t, i)] = ValueFor(keyOf(t, i));
  }
  TSections onDisk;
  ASSERT_TRUE(ParseStrictly(test::ReadFile(File()), onDisk));
  EXPECT_TRUE(SameSections(onDisk, expected));
  EXPECT_EQ(TConfigStore(File()).ReadSections().size(), 1u + kThreads);
  EXPECT_EQ(TConfigStore(File()).ReadSection("Shared").size(), size_t{kThreads * kKeysPerThread / 2});
  EXPECT_EQ(StrayFiles(File()), std::vector<std::string>{});
}

TEST_F(ConfigStoreConcurrencyTest, ProcessesAndThreadWritingOneSectionLoseNoWrite) {
  constexpr int kKeysEach = 120;
  const std::vector<std::string> processPrefixes = {"a", "b"};
  TSections expected;
  {
    std::vector<std::unique_ptr<TWriterProcess>> writers;
    for (const std::string& prefix : processPrefixes) {
      writers.push_back(std::make_unique<TWriterProcess>(std::vector<std::string>{
          "--wait-go", File().string(), "Shared", prefix, std::to_string(kKeysEach)}));
      Expect(expected, "Shared", prefix, kKeysEach);
    }
    // The children are loaded and waiting, so the three writers start together.
    for (auto& writer : writers) writer->Go();
    EXPECT_NO_THROW(WriteKeys("Shared", "c", kKeysEach));
    Expect(expected, "Shared", "c", kKeysEach);
    for (size_t i = 0; i < writers.size(); ++i) {
      const int status = writers[i]->Wait();
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "writer " << processPrefixes[i] << ": " << DescribeStatus(status);
    }
  }

  TSections onDisk;
  ASSERT_TRUE(ParseStrictly(test::ReadFile(File()), onDisk));
  EXPECT_TRUE(SameSections(onDisk, expected));
  EXPECT_EQ(StrayFiles(File()), std::vector<std::string>{});
}

// Numbers taken from a counter at once by two processes and a thread of this one: each number is
// recorded under a key of its own, so a number handed out twice leaves a key missing.
TEST_F(ConfigStoreConcurrencyTest, ProcessesAndThreadTakingNumbersGetEachNumberOnce) {
  constexpr int kNumbersEach = 100;
  constexpr int kTakers = 3;
  {
    std::vector<std::unique_ptr<TWriterProcess>> takers;
    for (int i = 0; i < kTakers - 1; ++i) {
      takers.push_back(std::make_unique<TWriterProcess>(std::vector<std::string>{
          "--wait-go", "--take-numbers", File().string(), "general", "nextrobot", std::to_string(kNumbersEach)}));
    }
    for (auto& taker : takers) taker->Go();
    const TConfigStore store(File());
    for (int i = 0; i < kNumbersEach; ++i) {
      const std::string key = "taken" + std::to_string(store.TakeNumber("general", "nextrobot", 0));
      store.WriteString("Taken", key, ValueFor(key));
    }
    for (auto& taker : takers) {
      const int status = taker->Wait();
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << DescribeStatus(status);
    }
  }

  TSections expected;
  Expect(expected, "Taken", "taken", kTakers * kNumbersEach);
  expected["general"]["nextrobot"] = std::to_string(kTakers * kNumbersEach);
  TSections onDisk;
  ASSERT_TRUE(ParseStrictly(test::ReadFile(File()), onDisk));
  EXPECT_TRUE(SameSections(onDisk, expected));
}

// Two processes registering dictionaries at once, as two varnelo-cli runs on one home would.
TEST_F(ConfigStoreConcurrencyTest, ProcessesRegisteringDictionariesLoseNone) {
  constexpr int kEach = 15;
  const std::vector<std::string> prefixes = {"/dicts/a", "/dicts/b"};
  {
    std::vector<std::unique_ptr<TWriterProcess>> registrars;
    for (const std::string& prefix : prefixes) {
      registrars.push_back(std::make_unique<TWriterProcess>(std::vector<std::string>{
          "--wait-go", "--add-dictionaries", File().string(), prefix, std::to_string(kEach)}));
    }
    for (auto& registrar : registrars) registrar->Go();
    for (auto& registrar : registrars) {
      const int status = registrar->Wait();
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << DescribeStatus(status);
    }
  }

  const TConfigStore store(File());
  std::vector<std::string> registered = search::NumberedDictionaries(store);
  EXPECT_EQ(store.ReadString("general", "nextnodic", ""), std::to_string(2 * kEach + 1));
  EXPECT_EQ(store.ReadSection("dictionary").size(), size_t{2 * kEach});
  std::vector<std::string> wanted;
  for (const std::string& prefix : prefixes) {
    for (int i = 0; i < kEach; ++i) wanted.push_back(prefix + std::to_string(i) + ".txt");
  }
  std::sort(registered.begin(), registered.end());
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(registered, wanted);
}

// The exact bytes of a section "Seq" holding k0 .. k<count-1>, as the store writes them.
std::string SequenceText(int count) {
  std::string text = "[Seq]\r\n";
  for (int i = 0; i < count; ++i) text += KeyName("k", i) + "=" + ValueFor(KeyName("k", i)) + "\r\n";
  return text;
}

int CountKeyLines(std::string_view text) {
  int count = 0;
  for (size_t at = text.find("\nk"); at != std::string_view::npos; at = text.find("\nk", at + 1)) ++count;
  return count;
}

TEST_F(ConfigStoreConcurrencyTest, KilledWriterLeavesTheOldOrANewWholeFile) {
  constexpr int kRounds = 50;
  constexpr int kMaxDelayMicroseconds = 5000;
  const unsigned seed = std::random_device()();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay(0, kMaxDelayMicroseconds);

  const TConfigStore store(File());
  int previousCount = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TWriterProcess writer({"--signal-first", File().string(), "Seq", "k", "forever"});
    ASSERT_TRUE(writer.WaitFirstWrite());
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    writer.Kill();
    const int status = writer.Wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << DescribeStatus(status);

    // Whatever the moment of the kill, the file is one that a complete write produced: the sequence
    // unbroken, every value whole, every line ended, and the probe of the previous round kept.
    const std::string text = test::ReadFile(File());
    const int count = CountKeyLines(text);
    const std::string probe = round == 0 ? "" : "[Probe]\r\nround=" + std::to_string(round - 1) + "\r\n";
    ASSERT_EQ(text, SequenceText(count) + probe);
    // The signalled write had returned, so it is on disk whatever came after.
    ASSERT_GT(count, previousCount);
    previousCount = count;

    // A writer that died holding the lock leaves the store usable.
    ASSERT_NO_THROW(store.WriteInteger("Probe", "round", round));
    EXPECT_EQ(store.ReadInteger("Probe", "round", -1), round);
    EXPECT_EQ(store.ReadString("Seq", KeyName("k", count - 1), ""), ValueFor(KeyName("k", count - 1)));
  }
}

TEST_F(ConfigStoreConcurrencyTest, ReadsDuringWritesSeeNoPartialFile) {
  constexpr int kFillerKeys = 2000;
  constexpr int kKeysPerWriter = 80;
  constexpr int kReaders = 2;
  constexpr std::string_view kAbsent = "<absent>";
  const std::vector<std::string> threadPrefixes = {"t0k", "t1k"};
  const std::string processPrefix = "pk";

  // The keys being written sit at the top of the file, the sentinel at its very end, so a reader that
  // caught a file half written or cut short would miss the sentinel.
  TSections expected;
  {
    std::string text = "[Grow]\r\nseed=" + ValueFor("seed") + "\r\n[Filler]\r\n";
    for (int i = 0; i < kFillerKeys; ++i) text += KeyName("f", i) + "=" + ValueFor(KeyName("f", i)) + "\r\n";
    text += "[Sentinel]\r\nlast=" + ValueFor("last") + "\r\n";
    test::WriteFile(File(), text);
    expected["Grow"]["seed"] = ValueFor("seed");
    Expect(expected, "Filler", "f", kFillerKeys);
    expected["Sentinel"]["last"] = ValueFor("last");
  }
  std::vector<std::string> watched;
  for (const std::string& prefix : threadPrefixes) {
    for (int i = 0; i < kKeysPerWriter; ++i) watched.push_back(KeyName(prefix, i));
  }
  for (int i = 0; i < kKeysPerWriter; ++i) watched.push_back(KeyName(processPrefix, i));

  std::atomic<bool> writersDone = false;
  std::atomic<long> reads = 0;
  std::mutex violationsMutex;
  std::vector<std::string> violations;
  const auto report = [&](std::string violation) {
    std::lock_guard guard(violationsMutex);
    if (violations.size() < 20) violations.push_back(std::move(violation));
  };

  const auto readUntilWritersDone = [&](size_t firstKey) {
    const TConfigStore store(File());
    // A key once seen must stay: a write that was visible is never undone.
    std::vector<bool> seen(watched.size(), false);
    for (size_t round = 0; !writersDone || round == 0; ++round) {
      if (const std::string last = store.ReadString("Sentinel", "last", kAbsent); last != ValueFor("last")) {
        report("sentinel read as \"" + last + "\"");
      }
      const size_t index = (firstKey + round) % watched.size();
      const std::string& key = watched[index];
      const std::string value = store.ReadString("Grow", key, kAbsent);
      if (value == kAbsent) {
        if (seen[index]) report(key + " vanished after it was read");
      } else if (value == ValueFor(key)) {
        seen[index] = true;
      } else {
        report(key + " read as \"" + value + "\"");
      }
      if (round % 16 == 0) {
        for (const std::string& line : store.ReadSectionValues("Grow")) {
          const std::string key = line.substr(0, line.find('='));
          if (line != key + "=" + ValueFor(key)) report("listed line \"" + line + "\"");
        }
      }
      ++reads;
    }
  };

  {
    TWriterProcess process(
        {"--wait-go", File().string(), "Grow", processPrefix, std::to_string(kKeysPerWriter)});
    std::vector<std::jthread> readers;
    for (int r = 0; r < kReaders; ++r) readers.emplace_back(readUntilWritersDone, r * watched.size() / kReaders);
    {
      std::vector<std::jthread> writers;
      for (const std::string& prefix : threadPrefixes) {
        writers.emplace_back([&, prefix] { EXPECT_NO_THROW(WriteKeys("Grow", prefix, kKeysPerWriter)); });
      }
      process.Go();
    }
    const int status = process.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << DescribeStatus(status);
    writersDone = true;
  }

  std::string joined;
  for (const std::string& violation : violations) joined += "\n  " + violation;
  EXPECT_TRUE(violations.empty()) << "reads that saw a partial file:" << joined;
  EXPECT_GT(reads.load(), 0);

  for (const std::string& prefix : threadPrefixes) Expect(expected, "Grow", prefix, kKeysPerWriter);
  Expect(expected, "Grow", processPrefix, kKeysPerWriter);
  TSections onDisk;
  ASSERT_TRUE(ParseStrictly(test::ReadFile(File()), onDisk));
  EXPECT_TRUE(SameSections(onDisk, expected));
}

}  // namespace
}  // namespace varnelo::config
