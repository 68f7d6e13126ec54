#pragma once
// The placement executor: the one owner of the desktop port. It reads
// snapshots of the live windows, carries plans out, and keeps the books on
// what it posted: which placements are still in flight, so that a rescan
// never measures a window its program has not moved yet.
//
// A placement is posted to the window's own thread, which carries it out
// when it next takes its messages. A batch (one plan) ends with one notice
// per thread, asked for through a window of the batch that still exists;
// the thread answers it once it has taken what was posted before. A
// placement counts as carried out when its notice has come back and the
// window's live state matches its target, or, when the live state never
// matches (the program chose another place), a short while after the
// notice. A notice that does not come is asked for again, through another
// window of its batch if the window it went through is gone; one that still
// has not come after a long while, from a program that is not hung, counts
// as come (the program has taken its messages since, ours among them). A
// hung program's windows stay in flight until it answers: they have not
// moved, and nothing may measure them.
//
// UI thread, except inFlight, which the activation workers call too.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controller/desktop.h"
#include "controller/plan.h"

namespace zelvane {

class PlacementExecutor {
public:
    using Clock = std::chrono::steady_clock;
    struct Options {
        // After its notice, a placement whose window is not where it was sent
        // counts as carried out after this long (the program placed it
        // elsewhere, or the notice overtook the placement and it has landed
        // by now).
        std::chrono::milliseconds settleAfterNotice{1000};
        // A notice not answered this long is asked for again, through
        // another window of its batch when the one it went through is gone.
        std::chrono::milliseconds askAgainAfter{2000};
        // A notice not answered this long by a program that is not hung
        // counts as answered.
        std::chrono::milliseconds noticeExpiry{10000};
        std::function<Clock::time_point()> now = [] { return Clock::now(); };
    };

    explicit PlacementExecutor(std::shared_ptr<Desktop> desktop);
    PlacementExecutor(std::shared_ptr<Desktop> desktop, Options options);
    ~PlacementExecutor();
    PlacementExecutor(const PlacementExecutor&) = delete;
    PlacementExecutor& operator=(const PlacementExecutor&) = delete;

    Desktop& desktop() const { return *desktop_; }
    ScreenMetrics metrics() const { return desktop_->metrics(); }

    // Reads every top-level window, as much as reads(w) asks for (ReadBits),
    // and marks the ones in flight.
    Snapshot snapshot(const std::function<unsigned(WindowId)>& reads) const;

    // Carries a plan out: the rescue list covers the windows hidden before
    // and after it while the placements are posted, then the plan's own
    // list is kept; the batch ends with its notices. Returns the windows
    // whose placement the system refused (windows that are gone are not
    // among them); they are not counted as in flight.
    std::vector<WindowId> carryOut(const Plan& plan);

    // Whether a placement posted to w is not carried out yet. Any thread.
    bool inFlight(WindowId w) const;
    // Same, as a function the activation workers can keep (it holds the books alive).
    std::function<bool(WindowId)> inFlightQuery() const;
    // Nothing posted is in flight any more (tests and benchmarks).
    bool idle() const;

    struct Books;  // shared with the notice handler and the activation workers

private:
    std::shared_ptr<Desktop> desktop_;
    std::shared_ptr<Books> books_;
    std::vector<RescuePlacement> rescue_;  // the list kept now
};

}  // namespace zelvane
