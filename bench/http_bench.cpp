// The HTTP client against curl on the same loopback server in the same run: 1,000 sequential fetches
// of a 10 KB page, and one download of 100 MB; then 1,000 small fetches through a relay that adds a
// 50 ms round trip, where both keep their connection.
//
// Fairness. Our operations open a new connection for every call, so curl must too: the server closes
// every connection after one answer and says "Connection: close", so curl cannot reuse one. curl runs
// as one process over a list of 1,000 URLs (a --config file), not as one process per URL: starting a
// process costs more than a loopback fetch and would measure exec, not HTTP. The one process start
// that remains is measured apart (curl fetching a single URL) and printed, not subtracted. The small
// pages go to /dev/null. The large download must end in memory for us, as the operation returns the
// body: curl writes it to a file in a memory file system (/dev/shm), which costs it the same fresh
// pages; the ratio is taken against that, and curl to /dev/null (the transfer alone) is printed too.
//
// Through the relay the server keeps its connections alive and says nothing about closing, so curl
// (one process over the URL list) and our pool may each reuse one connection for every fetch. A
// round trip costs far more than a loopback fetch, so one round is timed.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "network/http_operations.h"
#include "support/delay_relay.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/transport_tally.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;
using varnelo::test::TLoopbackServer;
using varnelo::test::TScriptedAnswer;

constexpr int kSmallFetches = 1000;
constexpr size_t kSmallSize = 10 * 1024;
constexpr size_t kBlockSize = 64 * 1024;
constexpr std::uint64_t kLargeBlocks = 1600;  // 100 MiB
constexpr int kRounds = 5;

// Removes a file when the run ends, however it ends.
class TRemoveAtEnd {
public:
  explicit TRemoveAtEnd(std::filesystem::path file) : file_(std::move(file)) {}
  TRemoveAtEnd(const TRemoveAtEnd&) = delete;
  TRemoveAtEnd& operator=(const TRemoveAtEnd&) = delete;
  ~TRemoveAtEnd() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
  }

private:
  std::filesystem::path file_;
};

double Seconds(TClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs curl with `arguments`, its output thrown away; throws when it fails.
void RunCurl(const std::vector<std::string>& arguments) {
  std::vector<std::string> all{"curl", "--silent", "--show-error", "--fail", "--noproxy", "*"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("curl is not installed (make deps installs it)");
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("curl failed");
}

template <typename TRun>
double TimeOf(TRun&& run) {
  const auto start = TClock::now();
  run();
  return Seconds(TClock::now() - start);
}

// A list of `count` fetches of `url` for curl's --config.
void WriteCurlList(const std::filesystem::path& file, const std::string& url, int count) {
  std::ofstream list(file);
  for (int i = 0; i < count; ++i) list << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
  if (!list.flush()) throw std::runtime_error("cannot write the curl list");
}

void FetchSmallPages(const std::string& url) {
  for (int i = 0; i < kSmallFetches; ++i) {
    const varnelo::network::THttpDocument document = varnelo::network::HttpGetDocument(url);
    if (!document.Success || document.Body.size() != kSmallSize) throw std::runtime_error("small fetch failed");
  }
}

void FetchLargeFile(const std::string& url) {
  const varnelo::network::THttpDocument document = varnelo::network::HttpGetDocument(url);
  if (!document.Success || document.Body.size() != kLargeBlocks * kBlockSize)
    throw std::runtime_error("large fetch failed");
}

}  // namespace

int main() {
  try {
    // Loopback only, and no proxy from the user's settings in the way.
    ::setenv("VARNELO_LOOPBACK_ONLY", "1", 1);
    const varnelo::test::TTempDir scratch;
    ::setenv("XDG_CONFIG_HOME", scratch.Path().c_str(), 1);

    TLoopbackServer server;
    server.Answer("/small", TScriptedAnswer::Ok(std::string(kSmallSize, 's'),
                                                "Content-Type: text/html\r\nConnection: close\r\n"));
    server.Answer("/large", TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                                 "Connection: close\r\nContent-Length: " +
                                                 std::to_string(kLargeBlocks * kBlockSize) + "\r\n\r\n")
                                .SendRepeated(std::string(kBlockSize, 'L'), kLargeBlocks));
    const std::string smallUrl = server.Url("/small");
    const std::string largeUrl = server.Url("/large");

    const auto listFile = scratch.Path() / "small-urls.curl";
    WriteCurlList(listFile, smallUrl, kSmallFetches);

    // Warm both up once (page cache for curl's binary and libraries, our TLS-free path).
    FetchSmallPages(smallUrl);
    RunCurl({"--config", listFile.string()});

    // A file in memory for curl's copy of the large body; the scratch folder when there is no /dev/shm.
    const std::filesystem::path memoryFolder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : scratch.Path();
    const std::string largeCopy = (memoryFolder / ("varnelo-http-bench-" + std::to_string(::getpid()))).string();
    const TRemoveAtEnd removeCopy(largeCopy);

    std::vector<double> oursSmall, curlSmall, curlStart, oursLarge, curlLarge, curlLargeNull;
    const auto loopbackStart = varnelo::test::TTransportTally::Now();
    for (int round = 0; round < kRounds; ++round) {
      oursSmall.push_back(TimeOf([&] { FetchSmallPages(smallUrl); }));
      curlSmall.push_back(TimeOf([&] { RunCurl({"--config", listFile.string()}); }));
      curlStart.push_back(TimeOf([&] { RunCurl({"--output", "/dev/null", smallUrl}); }));
      oursLarge.push_back(TimeOf([&] { FetchLargeFile(largeUrl); }));
      curlLarge.push_back(TimeOf([&] { RunCurl({"--output", largeCopy, largeUrl}); }));
      curlLargeNull.push_back(TimeOf([&] { RunCurl({"--output", "/dev/null", largeUrl}); }));
    }

    const auto loopbackTally = varnelo::test::TTransportTally::Now().Since(loopbackStart);

    // The same small page through a 50 ms round trip, on a server that keeps its connections.
    TLoopbackServer keptServer({.keepAlive = true});
    keptServer.Answer("/small", TScriptedAnswer::Ok(std::string(kSmallSize, 's')));
    const varnelo::test::TDelayRelay relay(keptServer.Port(), {.roundTrip = std::chrono::milliseconds(50)});
    const std::string farUrl = "http://" + relay.Authority() + "/small";
    const auto farList = scratch.Path() / "far-urls.curl";
    WriteCurlList(farList, farUrl, kSmallFetches);
    const auto farStart = varnelo::test::TTransportTally::Now();
    const double oursFar = TimeOf([&] { FetchSmallPages(farUrl); });
    const auto farTally = varnelo::test::TTransportTally::Now().Since(farStart);
    const int oursFarConnections = relay.Connections();
    const double curlFar = TimeOf([&] { RunCurl({"--config", farList.string()}); });
    const int curlFarConnections = relay.Connections() - oursFarConnections;

    const double small = Median(oursSmall), peerSmall = Median(curlSmall);
    const double large = Median(oursLarge), peerLarge = Median(curlLarge);
    const double megabytes = static_cast<double>(kLargeBlocks * kBlockSize) / (1024 * 1024);
    std::printf("HTTP client against curl %s on loopback, median of %d rounds\n", "(one process, URL list)", kRounds);
    std::printf("  %d x 10 KB pages, a new connection each:\n", kSmallFetches);
    std::printf("    ours  %8.3f s  %7.1f us/fetch\n", small, small * 1e6 / kSmallFetches);
    std::printf("    curl  %8.3f s  %7.1f us/fetch  (of which one process start, about %.1f ms)\n", peerSmall,
                peerSmall * 1e6 / kSmallFetches, Median(curlStart) * 1e3);
    std::printf("  one 100 MB download:\n");
    std::printf("    ours  %8.3f s  %7.0f MB/s (kept in memory)\n", large, megabytes / large);
    std::printf("    curl  %8.3f s  %7.0f MB/s (to a file in memory)\n", peerLarge, megabytes / peerLarge);
    std::printf("    curl  %8.3f s  %7.0f MB/s (to /dev/null, the transfer alone)\n", Median(curlLargeNull),
                megabytes / Median(curlLargeNull));
    std::printf("  our transport over the loopback rounds (warm-up excluded):\n");
    loopbackTally.Print("    ");
    std::printf("  %d x 10 KB pages through a relay adding a 50 ms round trip, kept connections allowed:\n",
                kSmallFetches);
    std::printf("    ours  %8.3f s  %7.1f ms/fetch  %d connections through the relay\n", oursFar,
                oursFar * 1e3 / kSmallFetches, oursFarConnections);
    farTally.Print("          ");
    std::printf("    curl  %8.3f s  %7.1f ms/fetch  %d connections through the relay\n", curlFar,
                curlFar * 1e3 / kSmallFetches, curlFarConnections);
    std::printf("RATIO http-small %.2f\n", small / peerSmall);
    std::printf("RATIO http-large %.2f\n", large / peerLarge);
    std::printf("RATIO http-small-rtt50 %.2f\n", oursFar / curlFar);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "http_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
