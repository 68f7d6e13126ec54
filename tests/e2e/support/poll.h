#pragma once
// Waiting for a condition by polling it, never by sleeping a fixed time:
// the time-outs are generous upper bounds, the common case returns early.
#include <chrono>
#include <functional>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Default upper bound for anything the program should do "at once".
constexpr Millis kSettle = 20s;

// Calls pred every `interval` until it returns true or `timeout` has passed.
// Returns the last result of pred (it is always called at least once, and
// once more after the time-out so a slow last step is not missed).
bool pollUntil(const std::function<bool()>& pred, Millis timeout = kSettle,
               Millis interval = 10ms);

// Monotonic milliseconds since an arbitrary start, for measurements.
double nowMs();

}  // namespace e2e
