#pragma once
// Brings windows to the foreground on worker threads, so that the UI thread
// never waits for the window that has the foreground now (its program may
// not answer).
//
// Only the newest request matters: while the user taps through workspaces
// with the chord held, each switch replaces the previous request, and the
// foreground moves once, when the keys are let go. A worker stuck on a hung
// foreground window is left to finish on its own; the next request gets a
// fresh worker, up to a small cap. When no thread can be started the request
// waits for a worker to come free: activation degrades, nothing else does.
//
// Every member is called from the UI thread only; none of them blocks for
// longer than it takes to hand a request over, except waitIdle.
#include <chrono>
#include <functional>
#include <memory>

#include "controller/desktop.h"

namespace zelvane {

class Activator {
public:
    struct Options {
        std::chrono::milliseconds stuckAfter{100};  // a call this long counts as hung
        int maxWorkers = 4;
        int modifierWaitMs = 1500;                  // how long to wait for the chord to be let go
        std::chrono::milliseconds shownWait{500};  // how long to wait for the window to be shown
    };

    // inFlight(w) tells whether a placement posted to w is still on its way
    // (called on the workers).
    Activator(std::shared_ptr<Desktop> desktop, std::function<bool(WindowId)> inFlight);
    Activator(std::shared_ptr<Desktop> desktop, std::function<bool(WindowId)> inFlight, Options options);
    ~Activator();
    Activator(const Activator&) = delete;
    Activator& operator=(const Activator&) = delete;

    // Brings w forward once the modifier keys are up and w is shown (its
    // placement is posted to its program and may still be on the way).
    // Replaces any request that has not been carried out yet.
    void activate(WindowId w);

    bool idle() const;
    // Waits until every request is carried out or dropped; false when the time ran out.
    bool waitIdle(std::chrono::milliseconds timeout) const;

    struct State;  // shared with the workers, which may outlive this object

private:
    std::shared_ptr<State> state_;
};

}  // namespace zelvane
