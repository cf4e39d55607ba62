#pragma once

#include <functional>
#include <thread>
#include <utility>

namespace varnelo::base {

// How a thread is made. Whoever owns threads takes one of these, so that a test can make creation
// fail, as it does when the system is out of threads, or count the threads made.
using TThreadStart = std::function<std::thread(std::function<void()>)>;

inline std::thread StartThread(std::function<void()> body) { return std::thread(std::move(body)); }

}  // namespace varnelo::base
