#include "layout.h"

#include <algorithm>
#include <cstdio>

#include "zelvane_process.h"

namespace e2e {

Grid Grid::fromSystem(int rows, int cols) {
    Grid g;
    g.rows = rows;
    g.cols = cols;
    g.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    g.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return g;
}

RECT Grid::placed(const RECT& base, Workspace home, Workspace current) const {
    int dx = (home.col - current.col) * width;
    int dy = (home.row - current.row) * height;
    return RECT{base.left + dx, base.top + dy, base.right + dx, base.bottom + dy};
}

Workspace Grid::step(Workspace from, WORD arrowKey) const {
    Workspace to = from;
    switch (arrowKey) {
    case VK_LEFT: if (from.col > 0) --to.col; break;
    case VK_RIGHT: if (from.col < cols - 1) ++to.col; break;
    case VK_UP: if (from.row > 0) --to.row; break;
    case VK_DOWN: if (from.row < rows - 1) ++to.row; break;
    default: break;
    }
    return to;
}

Workspace Grid::numbered(Workspace from, int n) const {
    int k = n - 1;
    Workspace to{k / cols, k % cols};
    if (k < 0 || to.row >= rows) return from;
    return to;
}

WindowState stateOf(HWND hwnd) {
    WindowState s;
    s.exists = IsWindow(hwnd) != FALSE;
    if (!s.exists) return s;
    s.visible = IsWindowVisible(hwnd) != FALSE;
    GetWindowRect(hwnd, &s.rect);
    return s;
}

std::string describe(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left),
                  static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom));
    return buf;
}

std::string describe(const WindowState& s) {
    if (!s.exists) return "destroyed";
    return describe(s.rect) + (s.visible ? " visible" : " hidden");
}

Tracked* Layout::open(WindowHost& host, const std::string& name, Workspace home, const RECT& base,
                      Workspace current, const WindowOptions& options) {
    RECT at = grid_.placed(base, home, current);
    std::wstring title(name.begin(), name.end());
    auto t = std::make_unique<Tracked>();
    t->window = host.open(title, at, options);
    t->name = name;
    t->home = home;
    t->base = base;
    tracked_.push_back(t.get());
    owned_.push_back(std::move(t));
    return tracked_.back();
}

std::vector<Tracked*> Layout::except(const std::vector<Tracked*>& excluded) const {
    std::vector<Tracked*> out;
    for (Tracked* t : tracked_)
        if (std::find(excluded.begin(), excluded.end(), t) == excluded.end()) out.push_back(t);
    return out;
}

std::string Layout::mismatches(const std::vector<Tracked*>& which, Workspace current) const {
    std::string out;
    for (const Tracked* t : which) {
        WindowState is = stateOf(t->window->hwnd());
        RECT want = grid_.placed(t->base, t->home, current);
        bool wantVisible = t->home == current;
        if (is.exists && is.visible == wantVisible && EqualRect(&is.rect, &want)) continue;
        WindowState should{true, wantVisible, want};
        out += "  " + t->name + " (workspace " + std::to_string(t->home.row) + "," +
               std::to_string(t->home.col) + "): expected " + describe(should) + ", is " +
               describe(is) + "\n";
    }
    return out;
}

bool Layout::inPlace(const std::vector<Tracked*>& which, Workspace current) const {
    for (const Tracked* t : which) {
        HWND hwnd = t->window->hwnd();
        RECT want = grid_.placed(t->base, t->home, current);
        RECT is;
        if (!GetWindowRect(hwnd, &is) || !EqualRect(&is, &want)) return false;
        if ((IsWindowVisible(hwnd) != FALSE) != (t->home == current)) return false;
    }
    return true;
}

std::string Layout::waitFor(const std::vector<Tracked*>& which, Workspace current,
                            Millis timeout) const {
    std::string last;
    pollUntil([&] { return (last = mismatches(which, current)).empty(); }, timeout);
    if (!last.empty())
        last = "with workspace " + std::to_string(current.row) + "," + std::to_string(current.col) +
               " current:\n" + last;
    return last;
}

std::string Layout::waitReleased(const std::vector<Tracked*>& which, Millis timeout) const {
    std::string last;
    pollUntil(
        [&] {
            last.clear();
            for (const Tracked* t : which) {
                WindowState is = stateOf(t->window->hwnd());
                if (is.exists && is.visible && EqualRect(&is.rect, &t->base)) continue;
                last += "  " + t->name + ": expected " + describe(WindowState{true, true, t->base}) +
                        ", is " + describe(is) + "\n";
            }
            return last.empty();
        },
        timeout);
    if (!last.empty()) last = "after the program ended:\n" + last;
    return last;
}

}  // namespace e2e
