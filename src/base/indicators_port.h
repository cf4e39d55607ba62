#pragma once

namespace varnelo::base {

// The activity indicators: the status bar LED and the tray icon.
class TIndicatorsPort {
public:
  virtual ~TIndicatorsPort() = default;
  // First LED state and idle tray image when false, second state and running image when true.
  virtual void SetRunning(bool running) = 0;
  virtual void SetTrayIconVisible(bool visible) = 0;
};

}  // namespace varnelo::base
