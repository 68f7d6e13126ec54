#pragma once
// When the 64-bit companion host has ended without being asked to, it is
// started again, but not without end: a host that keeps dying (a broken
// install, something that kills it on sight) would otherwise be restarted
// in a tight loop. No window system here; the times are passed in.
#include <cstdint>
#include <deque>

namespace zelvane {

class CompanionRestarts {
public:
    static constexpr int kMaxRestarts = 3;                 // within one window of time
    static constexpr std::uint64_t kWindowMs = 60 * 1000;

    // The host ended by itself at nowMs: true when it should be started
    // again, which then counts as a restart. A host that ended on purpose
    // (deliberate: asked to, or for a reason a restart cannot cure) is not.
    bool restartAfterEnd(bool deliberate, std::uint64_t nowMs);

private:
    std::deque<std::uint64_t> recent_;  // times of the restarts within the window
};

}  // namespace zelvane
