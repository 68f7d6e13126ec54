// Switch benchmark (a measurement, not a test).
//
// Measures one workspace switch from the request until the windows are in
// their places, polling the windows about every millisecond: until the
// first window changes (first), until every window leaving is hidden
// (hide), until every window arriving is shown at its place (show), and
// until every responsive window has its rectangle and visibility (placed).
// The request is either a hotkey chord injected with SendInput (Alt and
// Shift down, then - timed from here - the Right or Left key-down that fires
// the hotkey; the key-ups follow once the switch is timed) or the switch
// request 0xBFF7 posted straight to the main window.
//
// The windows belong either each to a thread of its own, or all to one
// thread (as the windows of a browser or an editor do). Hung windows stay
// hung for the whole scenario and are not waited for.
//
// Beside a scenario, its floor: the same placements made by a second
// process (this program with --floor) with one synchronous SetWindowPos per
// window and no switcher running, timed the same way from the signal. Floor
// and switcher take turns in rounds, so a change in the machine's load
// falls on both.
//
//   switch_bench.exe --zelvane=PATH [--reps=N] [--rounds=N] [--only=NAME]
//
// Prints a Markdown table on standard output.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "floor_process.h"
#include "keys.h"
#include "layout.h"
#include "shared_thread_host.h"
#include "switch_timing.h"
#include "window_host.h"
#include "zelvane_process.h"

using namespace e2e;
using namespace bench;

namespace {

enum class Trigger { Hotkey, Posted };
enum class Owners { ThreadPerWindow, OneThread };

struct Scenario {
    std::string name;
    int windows;
    int hung;
    Trigger trigger;
    Owners owners;
    bool floor;  // measure the floor beside it (needs every window responsive)
};

struct Figures {
    std::vector<double> first, hide, show, placed;
    int timeouts = 0;
    void add(const SwitchTiming& t) {
        if (!t.complete()) {
            ++timeouts;
            return;
        }
        first.push_back(t.firstMs);
        hide.push_back(t.hideMs);
        show.push_back(t.showMs);
        placed.push_back(t.placedMs);
    }
};

struct Result {
    Figures zelvane;
    Figures floor;
    std::string error;
};

constexpr int kWarmup = 2;         // switches per phase that are not counted
constexpr double kTimeoutMs = 30000.0;

// Windows alternate between workspaces (0,0) and (0,1), on a loose grid of
// positions inside the screen, so each switch hides half and shows half.
RECT benchSlot(const Grid& grid, int i) {
    int cols = 10;
    int w = 180, h = 120;
    int x = 20 + (i / 2 % cols) * ((grid.width - w - 40) / cols);
    int y = 20 + (i / 2 / cols % 12) * ((grid.height - h - 40) / 12);
    return makeRect(x, y, w, h);
}

Workspace other(Workspace ws) { return Workspace{0, ws.col == 0 ? 1 : 0}; }

// The modifiers go down before the clock starts, paced as typed. Wine
// forgets injected modifiers when the focus moves, so they are pressed again
// until they read as down.
void prepare(Trigger how) {
    if (how != Trigger::Hotkey) return;
    setKeyPacing(30);
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool down = true;
        for (WORD m : {kAlt, kShift})
            if (GetAsyncKeyState(m) >= 0) {
                down = false;
                keyDown(m);
            }
        if (down) return;
    }
}

// Waits (at most 3 s) until the switcher has brought a window of `current`
// to the foreground, as it does after each switch once the keys are up:
// that focus change must not fall into the next switch.
void waitForeground(const std::vector<BenchWindow>& windows, Workspace current) {
    pollUntil(
        [&] {
            const HWND fg = GetForegroundWindow();
            for (const BenchWindow& w : windows)
                if (w.hwnd == fg) return w.home == current && IsWindowVisible(fg) != FALSE;
            return false;
        },
        3s, 5ms);
}

// The request itself: for the hotkey, the key-down that completes the chord
// (the hotkey fires on it). Sent without a pause, so the timing starts at
// once; under Wine the whole chord sent without pauses sometimes does not
// switch at all.
bool trigger(Trigger how, HWND main, Workspace to) {
    if (how == Trigger::Posted) return postSwitch(main, to.row, to.col);
    setKeyPacing(0);
    const bool ok = keyDown(to.col == 1 ? VK_RIGHT : VK_LEFT);
    setKeyPacing(30);
    return ok;
}

// After the switch has been timed: the rest of the chord, paced.
void finishTrigger(Trigger how, Workspace to) {
    if (how != Trigger::Hotkey) return;
    keyUp(to.col == 1 ? VK_RIGHT : VK_LEFT);
    keyUp(kShift);
    keyUp(kAlt);
}

// The windows as they are when the switcher starts: all visible, each at
// its place for workspace (0,0) (the windows of (0,1) off the screen).
void placeForStart(const Grid& grid, const std::vector<BenchWindow>& windows) {
    for (const BenchWindow& w : windows) {
        const RECT r = targetRect(grid, w, Workspace{});
        SetWindowPos(w.hwnd, nullptr, r.left, r.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

// After the switcher has ended: every window it handed back is visible, and
// whatever it posted to the windows' threads has been carried out (a sent
// message is taken after the requests queued before it).
bool settleAfterRelease(const std::vector<BenchWindow>& windows) {
    const bool shown = pollUntil(
        [&] {
            for (const BenchWindow& w : windows)
                if (!IsWindowVisible(w.hwnd)) return false;
            return true;
        },
        30s);
    for (const BenchWindow& w : windows) {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(w.hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &r);
    }
    return shown;
}

// Switches back and forth `count` times (after the warm-up). `start(to)`
// makes the request and returns the time it was made (negative when it
// failed); `finish(to)` runs after each switch has been timed.
template <typename Start, typename Finish>
std::string measureSwitches(const Grid& grid, const std::vector<BenchWindow>& responsive, int count,
                            Figures& into, Start start, Finish finish) {
    Workspace ws{};
    for (int rep = 0; rep < count + kWarmup; ++rep) {
        const Workspace to = other(ws);
        // Not measured: the previous switch has fully landed. (Before the
        // first switch the windows may still be as the last phase left them.)
        if (rep > 0 && !pollUntil([&] { return allInPlace(grid, responsive, ws); }, 30s))
            return "windows never reached the previous workspace";
        Sleep(50);
        const double t0 = start(to);
        if (t0 < 0) return "the switch could not be requested";
        const SwitchTiming t = timeSwitch(grid, responsive, to, t0, kTimeoutMs);
        finish(to);
        ws = to;
        if (rep >= kWarmup) into.add(t);
    }
    return {};
}

std::string zelvanePhase(const Scenario& s, const Grid& grid, const std::vector<BenchWindow>& all,
                         const std::vector<BenchWindow>& responsive,
                         const std::vector<HostWindow*>& hung, int count, Figures& into) {
    placeForStart(grid, all);
    ZelvaneProcess zelvane(ZelvaneProcess::freshHome(L"bench"));
    HWND main = nullptr;
    if (!zelvane.start() || !(main = zelvane.waitReady()))
        return "Zelvane did not start: " + narrow(zelvane.lastError());
    for (HostWindow* w : hung) w->hang();
    std::string error = measureSwitches(
        grid, responsive, count, into,
        [&](Workspace to) {
            waitForeground(responsive, other(to));
            prepare(s.trigger);
            const double t0 = nowMs();
            return trigger(s.trigger, main, to) ? t0 : -1.0;
        },
        [&](Workspace to) { finishTrigger(s.trigger, to); });
    setKeyPacing(30);
    for (HostWindow* w : hung) w->release();
    if (!zelvane.close(60s) && error.empty()) error = "Zelvane did not end";
    if (!settleAfterRelease(responsive) && error.empty()) error = "Zelvane left windows hidden";
    return error;
}

std::string floorPhase(FloorProcess& floor, const Grid& grid, const std::vector<BenchWindow>& responsive,
                       int count, Figures& into) {
    return measureSwitches(
        grid, responsive, count, into,
        [&](Workspace to) {
            const double t0 = nowMs();
            return floor.go(static_cast<size_t>(to.col)) ? t0 : -1.0;
        },
        [&](Workspace) { floor.waitDone(static_cast<DWORD>(kTimeoutMs)); });
}

Result run(const Scenario& s, int reps, int rounds) {
    Result result;
    const Grid grid = Grid::fromSystem();
    WindowHost threadPerWindow;
    std::optional<SharedThreadHost> oneThread;
    if (s.owners == Owners::OneThread && !oneThread.emplace().ok()) {
        result.error = "could not start the host thread";
        return result;
    }
    std::vector<BenchWindow> all, responsive;
    std::vector<HostWindow*> hung;
    for (int i = 0; i < s.windows; ++i) {
        // Hung windows are opened last: they are on top of the Z order.
        const bool hangs = i >= s.windows - s.hung;
        BenchWindow w{nullptr, Workspace{0, i % 2}, benchSlot(grid, i)};
        const std::wstring title = (hangs ? L"hung " : L"w ") + std::to_wstring(i);
        const RECT at = targetRect(grid, w, Workspace{});
        if (oneThread) {
            w.hwnd = oneThread->open(title, at);
        } else {
            HostWindow* hw = threadPerWindow.open(title, at);
            w.hwnd = hw->hwnd();
            if (hangs) hung.push_back(hw);
        }
        if (!w.hwnd) {
            result.error = "could not open window " + std::to_string(i);
            return result;
        }
        all.push_back(w);
        if (!hangs) responsive.push_back(w);
    }

    std::unique_ptr<FloorProcess> floor;
    if (s.floor) {
        floor = std::make_unique<FloorProcess>(std::vector<FloorPlan>{
            floorPlan(grid, responsive, Workspace{0, 0}), floorPlan(grid, responsive, Workspace{0, 1})});
        if (!floor->ok()) {
            result.error = floor->error();
            return result;
        }
    }
    if (!floor) rounds = 1;
    const int perRound = (reps + rounds - 1) / rounds;
    for (int round = 0; round < rounds && result.error.empty(); ++round) {
        const int count = std::min(perRound, reps - round * perRound);
        if (floor) result.error = floorPhase(*floor, grid, responsive, count, result.floor);
        if (result.error.empty())
            result.error = zelvanePhase(s, grid, all, responsive, hung, count, result.zelvane);
    }
    return result;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string fmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

std::string ratio(const std::vector<double>& ours, const std::vector<double>& floor) {
    if (ours.empty() || floor.empty() || median(floor) <= 0) return "-";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", median(ours) / median(floor));
    return buf;
}

void printRow(const Scenario& s, const Result& r) {
    const Figures& z = r.zelvane;
    const Figures& f = r.floor;
    const auto med = [](const std::vector<double>& v) { return v.empty() ? std::string("-") : fmt(median(v)); };
    const auto ext = [](const std::vector<double>& v, bool max) {
        if (v.empty()) return std::string("-");
        return fmt(max ? *std::max_element(v.begin(), v.end()) : *std::min_element(v.begin(), v.end()));
    };
    std::string timeouts = std::to_string(z.timeouts);
    if (f.timeouts) timeouts += " (floor " + std::to_string(f.timeouts) + ")";
    std::printf("| %s | %zu | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", s.name.c_str(),
                z.placed.size(), med(z.first).c_str(), med(z.hide).c_str(), med(z.show).c_str(), med(z.placed).c_str(),
                ext(z.placed, true).c_str(), ext(z.placed, false).c_str(), med(f.hide).c_str(),
                med(f.show).c_str(), ratio(z.hide, f.hide).c_str(), ratio(z.show, f.show).c_str(),
                timeouts.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe;
    std::string only;
    int reps = 15;
    int rounds = 3;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--floor=", 8) == 0)
            return runFloorProcess(static_cast<DWORD>(std::strtoul(argv[i] + 8, nullptr, 10)));
        if (std::strncmp(argv[i], "--zelvane=", 10) == 0) exe = argv[i] + 10;
        if (std::strncmp(argv[i], "--reps=", 7) == 0) reps = std::max(1, std::atoi(argv[i] + 7));
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) rounds = std::max(1, std::atoi(argv[i] + 9));
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;
    }
    if (exe.empty()) {
        std::fprintf(stderr,
                     "usage: switch_bench.exe --zelvane=PATH [--reps=N] [--rounds=N] [--only=NAME]\n");
        return 2;
    }
    rounds = std::min(rounds, reps);
    ZelvaneProcess::setExecutable(std::wstring(exe.begin(), exe.end()));

    const auto each = Owners::ThreadPerWindow;
    const auto one = Owners::OneThread;
    const std::vector<Scenario> scenarios = {
        {"10 windows, own threads, hotkey", 10, 0, Trigger::Hotkey, each, false},
        {"10 windows, own threads, posted", 10, 0, Trigger::Posted, each, true},
        {"100 windows, own threads, hotkey", 100, 0, Trigger::Hotkey, each, false},
        {"100 windows, own threads, posted", 100, 0, Trigger::Posted, each, true},
        {"300 windows, own threads, hotkey", 300, 0, Trigger::Hotkey, each, false},
        {"300 windows, own threads, posted", 300, 0, Trigger::Posted, each, true},
        {"100 windows, one thread, hotkey", 100, 0, Trigger::Hotkey, one, false},
        {"100 windows, one thread, posted", 100, 0, Trigger::Posted, one, true},
        {"300 windows, one thread, posted", 300, 0, Trigger::Posted, one, true},
        {"50 windows, own threads, 1 hung, posted", 50, 1, Trigger::Posted, each, false},
        {"50 windows, own threads, 5 hung, posted", 50, 5, Trigger::Posted, each, false},
        {"50 windows, own threads, 20 hung, posted", 50, 20, Trigger::Posted, each, false},
        {"50 windows, own threads, 20 hung, hotkey", 50, 20, Trigger::Hotkey, each, false},
    };
    std::printf("| scenario | switches | first ms | hide ms | show ms | placed ms | placed max | placed min "
                "| floor hide ms | floor show ms | hide / floor | show / floor | timed out |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
    int failed = 0;
    for (const Scenario& s : scenarios) {
        if (!only.empty() && s.name.find(only) == std::string::npos) continue;
        const Result r = run(s, reps, rounds);
        if (!r.error.empty()) std::fprintf(stderr, "%s: %s\n", s.name.c_str(), r.error.c_str());
        printRow(s, r);
        if (!r.error.empty() || r.zelvane.placed.empty() || r.zelvane.timeouts || r.floor.timeouts) ++failed;
    }
    return failed ? 1 : 0;
}
