// Writes keys into a configuration store from a process of its own, so that the tests can race
// processes against each other and kill one in the middle of its writes.
//
//   store_writer [--wait-go] [--signal-first] FILE SECTION PREFIX COUNT
//   store_writer [--wait-go] [--signal-first] FILE SECTION PREFIX forever
//
// Writes the keys PREFIX0, PREFIX1, ... into SECTION of FILE, each with the value
// "value-of-<key>-end". With COUNT it writes PREFIX0 .. PREFIX<COUNT-1> and exits 0. With "forever" it
// starts at the first of these keys that the section lacks and writes a growing sequence until it is
// killed, so that the keys on disk always form an unbroken run; it also dies with the thread that
// spawned it, so a crashed test leaves no writer running.
//
//   store_writer [--wait-go] --take-numbers FILE SECTION KEY COUNT
//
// Takes COUNT numbers from the counter KEY of SECTION, one locked step each, and records every number
// N it got as the key "taken<N>" of section "Taken", valued as above: a number handed out twice shows
// as one key too few.
//
//   store_writer [--wait-go] --add-dictionaries FILE PREFIX COUNT
//
// Registers the dictionaries PREFIX0.txt .. PREFIX<COUNT-1>.txt in FILE, one after the other.
//
//   --wait-go       read one byte from stdin before the first write, so that several writers start together
//   --signal-first  write one byte to stdout after the first write has returned
// Exits 1 when a write fails, 2 on a usage error.

#include <sys/prctl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_store.h"
#include "search/dictionary_register.h"

namespace {

constexpr std::string_view kUsage =
    "usage: store_writer [--wait-go] [--signal-first] FILE SECTION PREFIX COUNT|forever\n"
    "       store_writer [--wait-go] --take-numbers FILE SECTION KEY COUNT\n"
    "       store_writer [--wait-go] --add-dictionaries FILE PREFIX COUNT\n";

enum class TMode { WriteKeys, TakeNumbers, AddDictionaries };

struct TOptions {
  TMode mode = TMode::WriteKeys;
  bool waitGo = false;
  bool signalFirst = false;
  std::string file;
  std::string section;
  std::string prefix;
  std::optional<long> count;  // none: forever
};

std::optional<TOptions> ParseArguments(int argc, char** argv) {
  TOptions options;
  std::vector<std::string_view> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument(argv[i]);
    if (argument == "--wait-go") {
      options.waitGo = true;
    } else if (argument == "--signal-first") {
      options.signalFirst = true;
    } else if (argument == "--take-numbers") {
      options.mode = TMode::TakeNumbers;
    } else if (argument == "--add-dictionaries") {
      options.mode = TMode::AddDictionaries;
    } else {
      positional.push_back(argument);
    }
  }
  if (options.mode == TMode::AddDictionaries) {
    // The register has a section of its own: the arguments name none.
    if (positional.size() != 3) return std::nullopt;
    positional.insert(positional.begin() + 1, "dictionary");
  }
  if (positional.size() != 4) return std::nullopt;
  if (options.mode != TMode::WriteKeys && (options.signalFirst || positional[3] == "forever")) return std::nullopt;
  options.file = positional[0];
  options.section = positional[1];
  options.prefix = positional[2];
  if (positional[3] != "forever") {
    long count = 0;
    const std::string_view text = positional[3];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count < 0) return std::nullopt;
    options.count = count;
  }
  return options;
}

bool WaitForGo() {
  char byte = 0;
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
    if (got >= 0) return got == 1;
    if (errno != EINTR) return false;
  }
}

void SignalFirstWrite() {
  const char byte = '1';
  while (::write(STDOUT_FILENO, &byte, 1) < 0 && errno == EINTR) {
  }
}

std::string ValueFor(std::string_view key) { return "value-of-" + std::string(key) + "-end"; }

// The sequence on disk is unbroken, so presence is monotonic in the index and a binary search finds
// where the last writer stopped without reading the file once per key.
long FirstMissing(const varnelo::config::TConfigStore& store, const std::string& section, const std::string& prefix) {
  const auto present = [&](long index) {
    return !store.ReadString(section, prefix + std::to_string(index), "").empty();
  };
  long known = -1;  // an index present, or -1
  long missing = 0;  // an index absent
  while (present(missing)) {
    known = missing;
    missing = 2 * missing + 1;
  }
  while (missing - known > 1) {
    const long middle = known + (missing - known) / 2;
    (present(middle) ? known : missing) = middle;
  }
  return missing;
}

void TakeNumbers(const varnelo::config::TConfigStore& store, const TOptions& options) {
  for (long i = 0; i < *options.count; ++i) {
    const std::string key = "taken" + std::to_string(store.TakeNumber(options.section, options.prefix, 0));
    store.WriteString("Taken", key, ValueFor(key));
  }
}

void AddDictionaries(const varnelo::config::TConfigStore& store, const TOptions& options) {
  for (long i = 0; i < *options.count; ++i) {
    varnelo::search::AddDictionary(store, options.prefix + std::to_string(i) + ".txt");
  }
}

void WriteKeys(const varnelo::config::TConfigStore& store, const TOptions& options) {
  long index = options.count ? 0 : FirstMissing(store, options.section, options.prefix);
  for (bool first = true; !options.count || index < *options.count; ++index, first = false) {
    const std::string key = options.prefix + std::to_string(index);
    store.WriteString(options.section, key, ValueFor(key));
    if (first && options.signalFirst) SignalFirstWrite();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseArguments(argc, argv);
  if (!options) {
    std::fputs(kUsage.data(), stderr);
    return 2;
  }
  if (!options->count) {
    // A writer that never ends on its own must not outlive a test that crashed before killing it.
    const pid_t parent = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) return 2;
  }
  if (options->waitGo && !WaitForGo()) {
    std::fputs("store_writer: no go signal on stdin\n", stderr);
    return 2;
  }
  try {
    const varnelo::config::TConfigStore store(options->file);
    switch (options->mode) {
      case TMode::WriteKeys:
        WriteKeys(store, *options);
        break;
      case TMode::TakeNumbers:
        TakeNumbers(store, *options);
        break;
      case TMode::AddDictionaries:
        AddDictionaries(store, *options);
        break;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "store_writer: %s\n", error.what());
    return 1;
  }
  return 0;
}
