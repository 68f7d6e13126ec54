// Switch benchmark (a measurement, not a test).
//
// Measures one workspace switch from the request until the last responsive
// window is in its place (rectangle and visibility), polling the windows
// tightly. The request is either a hotkey chord injected with SendInput
// (Alt and Shift down, then - timed from here - Right or Left down and up
// and the modifiers up, as fast as SendInput takes them) or the switch
// request 0xBFF7 posted straight to the main window. Scenarios: 10, 100 and 300
// windows, and 1, 5 and 20 hung windows among 50. Hung windows stay hung for
// the whole scenario and are not waited for.
//
//   switch_bench.exe --zelvane=PATH [--reps=N] [--only=NAME]
//
// Prints a Markdown table on standard output.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "keys.h"
#include "layout.h"
#include "window_host.h"
#include "zelvane_process.h"

using namespace e2e;

namespace {

enum class Trigger { Hotkey, Posted };

struct Scenario {
    std::string name;
    int windows;
    int hung;
    Trigger trigger;
};

struct Result {
    std::vector<double> ms;
    int timeouts = 0;
    std::string error;
};

// Windows alternate between workspaces (0,0) and (0,1), on a loose grid of
// positions inside the screen, so each switch hides half and shows half.
RECT benchSlot(const Grid& grid, int i) {
    int cols = 10;
    int w = 180, h = 120;
    int x = 20 + (i / 2 % cols) * ((grid.width - w - 40) / cols);
    int y = 20 + (i / 2 / cols % 12) * ((grid.height - h - 40) / 12);
    return makeRect(x, y, w, h);
}

// The modifiers go down before the clock starts (paced, as typed), the rest
// of the chord right after it.
void prepare(Trigger how) {
    if (how != Trigger::Hotkey) return;
    setKeyPacing(30);
    keyDown(kAlt);
    keyDown(kShift);
    setKeyPacing(0);
}

bool trigger(Trigger how, HWND main, Workspace to) {
    if (how == Trigger::Posted) return postSwitch(main, to.row, to.col);
    const WORD key = to.col == 1 ? VK_RIGHT : VK_LEFT;
    bool ok = keyDown(key);
    ok = keyUp(key) && ok;
    ok = keyUp(kShift) && ok;
    return keyUp(kAlt) && ok;
}

Result run(const Scenario& s, int reps) {
    Result result;
    Grid grid = Grid::fromSystem();
    WindowHost host;
    Layout layout(grid);
    std::vector<Tracked*> responsive;
    for (int i = 0; i < s.windows; ++i) {
        // Hung windows are opened last: they are on top of the Z order.
        bool hung = i >= s.windows - s.hung;
        Workspace home{0, i % 2};
        Tracked* t = layout.open(host, (hung ? "hung " : "w ") + std::to_string(i), home,
                                 benchSlot(grid, i));
        if (!t->window->ok()) {
            result.error = "could not open window " + std::to_string(i);
            return result;
        }
        if (!hung) responsive.push_back(t);
    }
    ZelvaneProcess zelvane(ZelvaneProcess::freshHome(L"bench"));
    HWND main = nullptr;
    if (!zelvane.start() || !(main = zelvane.waitReady())) {
        result.error = "Zelvane did not start: " + narrow(zelvane.lastError());
        return result;
    }
    for (const auto& w : host.windows())
        if (w->title().rfind(L"hung", 0) == 0) w->hang();

    Workspace ws{};
    const int warmup = 2;
    for (int rep = 0; rep < reps + warmup; ++rep) {
        const Workspace to{0, ws.col == 0 ? 1 : 0};
        // Not measured: the previous switch has fully landed. (Before the
        // first switch the windows of (0,1) are still visible off-screen.)
        if (rep > 0 && !pollUntil([&] { return layout.inPlace(responsive, ws); }, 30s)) {
            result.error = "windows never reached the previous workspace";
            break;
        }
        Sleep(50);
        prepare(s.trigger);
        const double t0 = nowMs();
        trigger(s.trigger, main, to);
        const double deadline = t0 + 30000.0;
        bool placed = false;
        while (!(placed = layout.inPlace(responsive, to)) && nowMs() < deadline) SwitchToThread();
        const double took = nowMs() - t0;
        ws = to;
        if (rep < warmup) continue;
        if (placed) result.ms.push_back(took);
        else ++result.timeouts;
    }
    setKeyPacing(30);
    for (const auto& w : host.windows()) w->release();
    zelvane.close(60s);
    return result;
}

std::string fmt(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe;
    std::string only;
    int reps = 15;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--zelvane=", 10) == 0) exe = argv[i] + 10;
        if (std::strncmp(argv[i], "--reps=", 7) == 0) reps = std::max(1, std::atoi(argv[i] + 7));
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = argv[i] + 7;
    }
    if (exe.empty()) {
        std::fprintf(stderr, "usage: switch_bench.exe --zelvane=PATH [--reps=N] [--only=NAME]\n");
        return 2;
    }
    ZelvaneProcess::setExecutable(std::wstring(exe.begin(), exe.end()));

    const std::vector<Scenario> scenarios = {
        {"10 windows, hotkey", 10, 0, Trigger::Hotkey},
        {"10 windows, posted", 10, 0, Trigger::Posted},
        {"100 windows, hotkey", 100, 0, Trigger::Hotkey},
        {"100 windows, posted", 100, 0, Trigger::Posted},
        {"300 windows, hotkey", 300, 0, Trigger::Hotkey},
        {"300 windows, posted", 300, 0, Trigger::Posted},
        {"50 windows, 1 hung, posted", 50, 1, Trigger::Posted},
        {"50 windows, 5 hung, posted", 50, 5, Trigger::Posted},
        {"50 windows, 20 hung, posted", 50, 20, Trigger::Posted},
        {"50 windows, 20 hung, hotkey", 50, 20, Trigger::Hotkey},
    };
    std::printf("| scenario | switches | median ms | max ms | min ms | timed out |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    std::fflush(stdout);
    int failed = 0;
    for (const Scenario& s : scenarios) {
        if (!only.empty() && s.name.find(only) == std::string::npos) continue;
        Result r = run(s, reps);
        if (!r.error.empty() || r.ms.empty()) {
            ++failed;
            std::printf("| %s | 0 | - | - | - | %d |\n", s.name.c_str(), r.timeouts);
            if (!r.error.empty()) std::fprintf(stderr, "%s: %s\n", s.name.c_str(), r.error.c_str());
            std::fflush(stdout);
            continue;
        }
        std::vector<double> v = r.ms;
        std::sort(v.begin(), v.end());
        double median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
        std::printf("| %s | %zu | %s | %s | %s | %d |\n", s.name.c_str(), v.size(), fmt(median).c_str(),
                    fmt(v.back()).c_str(), fmt(v.front()).c_str(), r.timeouts);
        std::fflush(stdout);
        if (r.timeouts) ++failed;
    }
    return failed ? 1 : 0;
}
