#pragma once
// Carries out window placements on worker threads, so that no switch ever
// waits for a program that does not answer.
//
// Each window has its own lane: its placements run one after another, a move
// always before the show or hide that goes with it, and a placement that has
// not started yet is replaced by a newer one (the newest always wins, so a
// hung window ends in the state of the last switch once it answers again).
// Lanes run in parallel on a small pool; a worker blocked on a hung window is
// replaced by a fresh one, so responsive windows never queue behind it.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "controller/desktop.h"

namespace zelvane {

class PlacementQueue {
public:
    struct Options {
        int baseWorkers = 4;                            // workers kept ready
        std::chrono::milliseconds stuckAfter{15};       // a call this long counts as hung
        std::chrono::milliseconds idleExit{2000};       // extra idle workers leave after this
        int maxWorkers = 512;
    };

    explicit PlacementQueue(std::shared_ptr<Desktop> desktop);
    PlacementQueue(std::shared_ptr<Desktop> desktop, Options options);
    ~PlacementQueue();
    PlacementQueue(const PlacementQueue&) = delete;
    PlacementQueue& operator=(const PlacementQueue&) = delete;

    // Move the window to pos (unless empty) and then show or hide it.
    void place(WindowId w, std::optional<Point> pos, bool show);
    // Bring w to the foreground after its pending placement; a later call
    // cancels an activation that has not run yet.
    void activate(WindowId w);

    bool pending(WindowId w) const;  // a placement or activation is queued or running
    bool idle() const;
    // Waits until no placement is pending; false when the time ran out.
    bool waitIdle(std::chrono::milliseconds timeout) const;
    // For every window still pending, hands its newest placement to the
    // window's own thread without waiting (queued behind any call already in
    // progress), and forgets the lane. Used at exit.
    void detachPending();

    struct State;  // shared with the workers, which may outlive this object

private:
    std::shared_ptr<State> state_;
};

}  // namespace zelvane
