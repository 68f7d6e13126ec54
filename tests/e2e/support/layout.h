#pragma once
// Where each test window should be for a given current workspace, and
// comparing that with what the windows really show.
//
// A window belongs to a workspace (row, col) and has a base rectangle: its
// screen rectangle while that workspace is current. While workspace (r, c)
// is current it must sit at base + ((col - c) * width, (row - r) * height)
// and be visible exactly when (row, col) == (r, c).
#include <windows.h>

#include <string>
#include <vector>

#include "poll.h"
#include "window_host.h"

namespace e2e {

struct Workspace {
    int row = 0;
    int col = 0;
    bool operator==(const Workspace& o) const { return row == o.row && col == o.col; }
    bool operator!=(const Workspace& o) const { return !(*this == o); }
};

struct Grid {
    int rows = 2;
    int cols = 2;
    int width = 1280;   // one workspace = the virtual screen
    int height = 800;
    // The default 2 x 2 grid with the size of this machine's virtual screen.
    static Grid fromSystem(int rows = 2, int cols = 2);
    RECT placed(const RECT& base, Workspace home, Workspace current) const;
    // Workspace after one step left/right/up/down (no wrap at the edges).
    Workspace step(Workspace from, WORD arrowKey) const;
    // Workspace of digit n (1-based, row by row); `from` when out of the grid.
    Workspace numbered(Workspace from, int n) const;
};

struct WindowState {
    bool exists = false;
    bool visible = false;
    RECT rect{};
};
WindowState stateOf(HWND hwnd);
std::string describe(const RECT& r);
std::string describe(const WindowState& s);

struct Tracked {
    HostWindow* window = nullptr;
    std::string name;
    Workspace home;
    RECT base{};
};

class Layout {
public:
    explicit Layout(Grid grid) : grid_(grid) {}
    const Grid& grid() const { return grid_; }

    // Opens a window that belongs to `home` with base rectangle `base`,
    // placed for the workspace that is current now (`current`).
    Tracked* open(WindowHost& host, const std::string& name, Workspace home, const RECT& base,
                  Workspace current = {}, const WindowOptions& options = {});
    // Records that a window now belongs to another workspace (it was carried).
    void moveHome(Tracked* t, Workspace home) { t->home = home; }

    const std::vector<Tracked*>& all() const { return tracked_; }
    std::vector<Tracked*> except(const std::vector<Tracked*>& excluded) const;

    // Empty when every window in `which` is where it belongs for `current`;
    // otherwise one line per window that is not.
    std::string mismatches(const std::vector<Tracked*>& which, Workspace current) const;
    std::string mismatches(Workspace current) const { return mismatches(tracked_, current); }

    // Same test as mismatches() without building any text: for tight polling.
    bool inPlace(const std::vector<Tracked*>& which, Workspace current) const;

    // Polls until mismatches() is empty; returns the last mismatches.
    std::string waitFor(const std::vector<Tracked*>& which, Workspace current,
                        Millis timeout = kSettle) const;
    std::string waitFor(Workspace current, Millis timeout = kSettle) const {
        return waitFor(tracked_, current, timeout);
    }

    // Empty when every window is on screen, visible, at its base rectangle
    // (the state after the program has ended and handed all windows back).
    std::string waitReleased(const std::vector<Tracked*>& which, Millis timeout = kSettle) const;
    std::string waitAllReleased(Millis timeout = kSettle) const { return waitReleased(tracked_, timeout); }

private:
    Grid grid_;
    std::vector<std::unique_ptr<Tracked>> owned_;
    std::vector<Tracked*> tracked_;
};

}  // namespace e2e
