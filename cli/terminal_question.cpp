#include "terminal_question.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <string>

namespace varnelo::cli {
namespace {

enum class TRead { Line, End, Interrupted };

constexpr int kPollMilliseconds = 100;

// Reads one line byte by byte, so that nothing after it is taken from the input.
TRead ReadLine(int input, const std::function<bool()>& interrupted, std::string& line) {
  line.clear();
  for (;;) {
    if (interrupted()) return TRead::Interrupted;
    pollfd ready{input, POLLIN, 0};
    const int polled = ::poll(&ready, 1, kPollMilliseconds);
    if (polled < 0 && errno != EINTR) return TRead::End;
    if (polled <= 0) continue;
    char c = 0;
    const ssize_t got = ::read(input, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return line.empty() ? TRead::End : TRead::Line;
    if (c == '\n') return TRead::Line;
    line += c;
  }
}

std::string Normalised(const std::string& text) {
  std::string word;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (!std::isspace(byte)) word += static_cast<char>(std::tolower(byte));
  }
  return word;
}

}  // namespace

TTerminalAnswer AskOnTerminal(std::string_view question, std::ostream& out, int input,
                              const std::function<bool()>& interrupted) {
  for (;;) {
    out << question << " (oui/non) ? " << std::flush;
    std::string line;
    const TRead read = ReadLine(input, interrupted, line);
    if (read != TRead::Line) {
      out << '\n' << std::flush;
      return read == TRead::Interrupted ? TTerminalAnswer::Interrupted : TTerminalAnswer::No;
    }
    const std::string word = Normalised(line);
    if (word == "o" || word == "oui" || word == "y" || word == "yes") return TTerminalAnswer::Yes;
    if (word == "n" || word == "non" || word == "no") return TTerminalAnswer::No;
  }
}

}  // namespace varnelo::cli
