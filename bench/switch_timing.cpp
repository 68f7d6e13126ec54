#include "switch_timing.h"

namespace bench {
namespace {

bool isAt(HWND h, const RECT& want, bool wantVisible) {
    RECT is;
    return GetWindowRect(h, &is) && EqualRect(&is, &want) && (IsWindowVisible(h) != FALSE) == wantVisible;
}

}  // namespace

RECT targetRect(const e2e::Grid& grid, const BenchWindow& w, e2e::Workspace current) {
    return grid.placed(w.base, w.home, current);
}

SwitchTiming timeSwitch(const e2e::Grid& grid, const std::vector<BenchWindow>& windows,
                        e2e::Workspace to, double startMs, double timeoutMs) {
    struct Watch {
        HWND hwnd;
        RECT want;
        bool arriving;
        bool hidden = false;
        bool placed = false;
    };
    std::vector<Watch> watch;
    size_t leavingLeft = 0, arrivingLeft = 0;
    for (const BenchWindow& w : windows) {
        const bool arriving = w.home == to;
        watch.push_back({w.hwnd, targetRect(grid, w, to), arriving});
        ++(arriving ? arrivingLeft : leavingLeft);
    }
    const size_t leaving = leavingLeft;
    size_t placedLeft = watch.size();
    SwitchTiming t;
    for (;;) {
        for (Watch& w : watch) {
            if (w.placed) continue;
            if (!w.arriving && !w.hidden && !IsWindowVisible(w.hwnd)) {
                w.hidden = true;
                --leavingLeft;
            }
            if (!isAt(w.hwnd, w.want, w.arriving)) continue;
            w.placed = true;
            --placedLeft;
            if (w.arriving) --arrivingLeft;
        }
        const double now = e2e::nowMs() - startMs;
        if (t.firstMs < 0 && (placedLeft < watch.size() || leavingLeft < leaving)) t.firstMs = now;
        if (leavingLeft == 0 && t.hideMs < 0) t.hideMs = now;
        if (arrivingLeft == 0 && t.showMs < 0) t.showMs = now;
        if (placedLeft == 0) {
            t.placedMs = now;
            return t;
        }
        if (now > timeoutMs) return t;
        Sleep(1);
    }
}

bool allInPlace(const e2e::Grid& grid, const std::vector<BenchWindow>& windows,
                e2e::Workspace current) {
    for (const BenchWindow& w : windows)
        if (!isAt(w.hwnd, targetRect(grid, w, current), w.home == current)) return false;
    return true;
}

}  // namespace bench
