#pragma once
// Timing one switch between two workspaces by polling the windows from
// this process: when the first window changes, when every window leaving is hidden, when every window
// arriving is shown in its place, and when every window is in its place.
//
// Called on the benchmark's main thread; timeSwitch() polls (about every
// millisecond) until everything is placed or the time-out has passed.
#include <windows.h>

#include <vector>

#include "layout.h"

namespace bench {

// A window of the benchmark: its workspace and its rectangle while that
// workspace is current.
struct BenchWindow {
    HWND hwnd = nullptr;
    e2e::Workspace home;
    RECT base{};
};

// Milliseconds from the start of a switch; negative = not reached.
struct SwitchTiming {
    double firstMs = -1;   // the first window changed (hidden or placed)
    double hideMs = -1;    // every window leaving hidden
    double showMs = -1;    // every window arriving visible at its place
    double placedMs = -1;  // every window at its place with its visibility
    bool complete() const { return placedMs >= 0; }
};

// Where a window must be, and whether visible, while `current` is current.
RECT targetRect(const e2e::Grid& grid, const BenchWindow& w, e2e::Workspace current);

// Polls `windows` from `startMs` (an e2e::nowMs() value) until each is at
// its place for `to`, or until `timeoutMs` after the start. A window found
// in its place is not read again in this switch.
SwitchTiming timeSwitch(const e2e::Grid& grid, const std::vector<BenchWindow>& windows,
                        e2e::Workspace to, double startMs, double timeoutMs);

// True when every window is at its place for `current` (one full reading).
bool allInPlace(const e2e::Grid& grid, const std::vector<BenchWindow>& windows,
                e2e::Workspace current);

}  // namespace bench
