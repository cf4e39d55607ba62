#pragma once

#include <functional>
#include <string_view>

namespace varnelo::network {

// Where the transfers report a fetch they refused or cut short for a reason no status code tells. The
// operations run on workers that hold no log, so the program sets one sink for as long as it runs
// robots; without a sink the lines are dropped. Any thread may report; the sink must not wait for the
// main thread.
using TFetchLogSink = std::function<void(std::string_view line)>;

// Sets `sink` for its lifetime and puts the previous one back afterwards.
class TScopedFetchLog {
public:
  explicit TScopedFetchLog(TFetchLogSink sink);
  TScopedFetchLog(const TScopedFetchLog&) = delete;
  TScopedFetchLog& operator=(const TScopedFetchLog&) = delete;
  ~TScopedFetchLog();

private:
  TFetchLogSink previous_;
};

void ReportFetch(std::string_view line);

}  // namespace varnelo::network
