#pragma once

#include "base/indicators_port.h"

namespace varnelo::cli {

// The command line has no status LED and no tray icon; its progress line shows the activity instead.
class TCliIndicators : public base::TIndicatorsPort {
public:
  void SetRunning(bool) override {}
  void SetTrayIconVisible(bool) override {}
};

}  // namespace varnelo::cli
