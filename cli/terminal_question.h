#pragma once

#include <functional>
#include <ostream>
#include <string_view>

namespace varnelo::cli {

enum class TTerminalAnswer { Yes, No, Interrupted };

// Asks a Yes/No question on the terminal: the question goes to `out`, the answer is read from the file
// descriptor `input` ("o", "oui", "y" or "yes" for Yes; "n", "non" or "no" for No, letter case
// ignored; anything else asks again). The end of the input answers No. `interrupted` is polled while
// waiting; when it turns true the answer is Interrupted.
TTerminalAnswer AskOnTerminal(std::string_view question, std::ostream& out, int input,
                              const std::function<bool()>& interrupted);

}  // namespace varnelo::cli
