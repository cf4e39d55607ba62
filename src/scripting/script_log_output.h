#pragma once

#include <functional>
#include <string>

namespace varnelo::scripting {

// Turns what a script writes (pieces of text, line ends anywhere) into whole lines for the program
// log. The owner calls Flush when the run has ended, so that text left without a line end goes out as
// a last line.
class TScriptLogOutput {
public:
  explicit TScriptLogOutput(std::function<void(const std::string& line)> appendLine)
      : appendLine_(std::move(appendLine)) {}
  TScriptLogOutput(const TScriptLogOutput&) = delete;
  TScriptLogOutput& operator=(const TScriptLogOutput&) = delete;
  void Write(const std::string& text);
  void Flush();

private:
  std::function<void(const std::string& line)> appendLine_;
  std::string pending_;
};

}  // namespace varnelo::scripting
