// The demo run of scripts/run.sh.
//
//   demo.exe --zelvane=PATH          opens a few windows on every workspace,
//       starts Zelvane, goes through the workspaces with the hotkeys and,
//       each time the windows are in place, prints "SHOT <name>" and waits
//       for a line on standard input (the script takes a screenshot), then
//       ends Zelvane with WM_CLOSE and checks that every window came back.
//   demo.exe --windows-only          opens the same windows and stays until
//       a Zelvane that was seen running has ended (for an interactive run).
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

struct DemoWindow {
    const char* title;
    Workspace ws;
    int x, y, w, h;
};

// Two or three windows per workspace, named after what such windows might be.
const DemoWindow kWindows[] = {
    {"1: Mail", {0, 0}, 60, 60, 520, 360},       {"1: Calendar", {0, 0}, 640, 120, 460, 300},
    {"1: Notes", {0, 0}, 200, 460, 560, 260},    {"2: Editor", {0, 1}, 80, 80, 700, 520},
    {"2: Terminal", {0, 1}, 820, 300, 400, 360}, {"3: Browser", {1, 0}, 120, 60, 900, 560},
    {"3: Music", {1, 0}, 860, 520, 360, 220},    {"4: Chat", {1, 1}, 640, 80, 520, 420},
    {"4: Files", {1, 1}, 100, 300, 480, 380},
};
const COLORREF kColours[] = {RGB(40, 90, 160), RGB(170, 80, 40), RGB(40, 130, 70), RGB(120, 60, 140)};

void openWindows(WindowHost& host, Layout& layout) {
    for (const DemoWindow& d : kWindows) {
        WindowOptions options;
        options.color = kColours[d.ws.row * 2 + d.ws.col];
        layout.open(host, d.title, d.ws, makeRect(d.x, d.y, d.w, d.h), Workspace{}, options);
    }
}

bool shot(const char* name) {
    std::printf("SHOT %s\n", name);
    std::fflush(stdout);
    char line[64];
    return std::fgets(line, sizeof line, stdin) != nullptr;
}

int windowsOnly() {
    WindowHost host;
    Layout layout(Grid::fromSystem());
    openWindows(host, layout);
    std::printf("demo windows open; they stay until Zelvane has run and ended\n");
    std::fflush(stdout);
    auto zelvaneRuns = [] { return !topLevelWindows(0, kMainClass, kProgramName).empty(); };
    if (!pollUntil(zelvaneRuns, 120s, 200ms)) return 1;
    while (zelvaneRuns()) Sleep(500);
    return 0;
}

int tour() {
    WindowHost host;
    Layout layout(Grid::fromSystem());
    openWindows(host, layout);
    ZelvaneProcess zelvane(ZelvaneProcess::freshHome(L"demo"));
    if (!zelvane.start() || !zelvane.waitReady()) {
        std::fprintf(stderr, "demo: Zelvane did not start: %s\n", narrow(zelvane.lastError()).c_str());
        return 1;
    }
    int failures = 0;
    auto settle = [&](Workspace ws, const char* name) {
        std::string misplaced = layout.waitFor(ws);
        if (!misplaced.empty()) {
            ++failures;
            std::fprintf(stderr, "demo: %s: windows not in place %s", name, misplaced.c_str());
        }
        return shot(name);
    };
    struct Step { std::vector<WORD> mods; WORD key; Workspace ws; const char* name; };
    const Step steps[] = {
        {{kAlt, kShift}, VK_RIGHT, {0, 1}, "workspace-2"},
        {{kAlt, kShift}, VK_DOWN, {1, 1}, "workspace-4"},
        {{kAlt, kShift}, VK_LEFT, {1, 0}, "workspace-3"},
        {{kAlt, kShift}, '1', {0, 0}, "workspace-1"},
    };
    for (const Step& s : steps) {
        {
            // Keys are released before the picture is taken.
            HeldModifiers held(s.mods);
            held.tap(s.key);
        }
        if (!settle(s.ws, s.name)) break;
    }
    PostMessageW(zelvane.mainWindow(), WM_CLOSE, 0, 0);
    std::string notBack = layout.waitAllReleased();
    if (!notBack.empty()) {
        ++failures;
        std::fprintf(stderr, "demo: after exit %s", notBack.c_str());
    }
    shot("after-exit");
    if (!zelvane.waitExit(30s)) {
        ++failures;
        std::fprintf(stderr, "demo: Zelvane did not end after WM_CLOSE\n");
    }
    std::printf("DONE %d\n", failures);
    std::fflush(stdout);
    return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool onlyWindows = false;
    std::string exe;
    if (const char* env = std::getenv("ZELVANE_EXE")) exe = env;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--zelvane=", 10) == 0) exe = argv[i] + 10;
        if (std::strcmp(argv[i], "--windows-only") == 0) onlyWindows = true;
    }
    if (onlyWindows) return windowsOnly();
    if (exe.empty()) {
        std::fprintf(stderr, "usage: demo.exe --zelvane=PATH | --windows-only\n");
        return 2;
    }
    ZelvaneProcess::setExecutable(std::wstring(exe.begin(), exe.end()));
    return tour();
}
