#pragma once
// Waiting in a test for what a worker thread does: pred is asked every
// 10 ms for up to five seconds, and not again once it said yes (it may take
// what it looks at).
#include <chrono>
#include <thread>

namespace zelvane::testing {

template <typename Pred>
bool pollFor(Pred pred) {
    for (int i = 0; i < 500; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

}  // namespace zelvane::testing
