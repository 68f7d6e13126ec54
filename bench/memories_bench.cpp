// What a switch does besides moving windows, measured under Wine: putting up
// a workspace's wallpaper (and not putting it up when the desktop shows it
// already), the pieces of "distant view" cut after a grid change (the UI
// thread's share and the worker's), a tiny tiled pattern snapshotted, and one
// read of the taskbar across processes. Prints Markdown tables for
// docs/benchmarks.md; run by scripts/memories-bench.sh. Not a test: it
// asserts nothing about time.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bitmap_file.h"
#include "config/settings_file.h"
#include "controller/wallpaper_keeper.h"
#include "controller/workspace_model.h"
#include "stand_in_taskbar.h"
#include "controller/wallpaper_geometry.h"
#include "win32/handles.h"
#include "win32/shell_taskbar.h"
#include "win32/wallpaper_win32.h"
#include "window_host.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

struct Figures {
    std::vector<double> ms;
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[ms.size() / 2];
    }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

bool writeBmp(const std::string& path, int w, int h, COLORREF colour) {
    return e2e::writeBytes(std::wstring(path.begin(), path.end()), e2e::makeBmp(w, h, [&](int, int) { return colour; }));
}

void wallpaperFigures(int reps) {
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const std::string dir = "C:\\zlvbench";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string red = dir + "\\red.bmp", blue = dir + "\\blue.bmp", dot = dir + "\\dot.bmp";
    if (!writeBmp(red, vw, vh, RGB(200, 0, 0)) || !writeBmp(blue, vw, vh, RGB(0, 0, 200)) ||
        !writeBmp(dot, 1, 1, RGB(0, 120, 0))) {
        std::printf("cannot write the pictures into %s\n", dir.c_str());
        return;
    }
    auto system = std::make_shared<zelvane::win32::Win32Wallpaper>();
    const zelvane::DesktopWallpaper before = system->current();

    zelvane::SettingsFile settings({});
    zelvane::WorkspaceModel model(settings.values(), {});
    model.setMetrics(zelvane::ScreenMetrics{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                                            vw, vh});
    zelvane::WallpaperKeeper keeper(settings, model);
    keeper.setSystem(system);
    keeper.setDataDir(dir + "\\data");
    CreateDirectoryA((dir + "\\data").c_str(), nullptr);

    settings.setWallsType(1);
    settings.setWallpaper(0, 0, red);
    settings.setWallpaper(0, 1, blue);
    Figures changing, same;
    for (int i = 0; i < reps; ++i) {
        auto t0 = Clock::now();
        keeper.apply(0, i % 2);
        changing.ms.push_back(msSince(t0));
    }
    for (int i = 0; i < reps; ++i) {
        auto t0 = Clock::now();
        keeper.apply(0, 1);
        same.ms.push_back(msSince(t0));
    }
    std::printf("| wallpaper part of a switch (%d x %d pictures) | median ms | max ms |\n|---|---:|---:|\n", vw, vh);
    std::printf("| another workspace's picture put up | %.2f | %.2f |\n", changing.median(), changing.max());
    std::printf("| the same picture again: nothing put up | %.3f | %.3f |\n\n", same.median(), same.max());

    // Distant view over a 2 x 2 grid, then the grid grows.
    settings.setWallsType(2);
    keeper.capture();
    keeper.waitForCuts(std::chrono::minutes(2));
    keeper.takeCutPieces();
    std::printf("| grid change in distant view | pieces | UI thread ms | all pieces cut, ms (on the worker) |\n");
    std::printf("|---|---:|---:|---:|\n");
    for (int g = 3; g <= 5; ++g) {
        settings.setWsRowNum(g);
        auto t0 = Clock::now();
        keeper.respread();
        const double ui = msSince(t0);
        keeper.waitForCuts(std::chrono::minutes(2));
        const double all = msSince(t0);
        keeper.takeCutPieces();
        std::printf("| %d x %d to %d x %d | %d | %.2f | %.0f |\n", g - 1, g - 1, g, g, g * g, ui, all);
    }

    // A 1 x 1 pattern, tiled over the whole screen and read back.
    system->put(zelvane::DesktopWallpaper{dot, "1", "0", "0", "0"});
    auto t0 = Clock::now();
    const bool ok = system->snapshotDesktop(dir + "\\dot-snapshot.bmp");
    std::printf("\n| snapshot of a tiled 1 x 1 pattern | ms |\n|---|---:|\n| %d x %d%s | %.1f |\n\n", vw, vh,
                ok ? "" : " (failed)", msSince(t0));

    // Drawing alone, into memory: the pattern copied on by doubling over the
    // whole screen, against one BitBlt per tile over a band of 80 rows.
    {
        zelvane::win32::WindowDc screen(nullptr);
        zelvane::win32::UniqueMemoryDc canvasDc(CreateCompatibleDC(screen.get()));
        zelvane::win32::UniqueGdiObject canvas(CreateCompatibleBitmap(screen.get(), vw, vh));
        zelvane::win32::UniqueMemoryDc tileDc(CreateCompatibleDC(screen.get()));
        zelvane::win32::UniqueGdiObject tile(CreateCompatibleBitmap(screen.get(), 1, 1));
        zelvane::win32::SelectedObject a(canvasDc.get(), canvas.get()), b(tileDc.get(), tile.get());
        auto t1 = Clock::now();
        const zelvane::TileFill fill = zelvane::tileFill(vw, vh, 1, 1, 0, 0);
        for (const zelvane::Box& t : fill.tiles) BitBlt(canvasDc.get(), t.x, t.y, 1, 1, tileDc.get(), 0, 0, SRCCOPY);
        for (const zelvane::Blit& c : fill.copies)
            BitBlt(canvasDc.get(), c.dst.x, c.dst.y, c.dst.w, c.dst.h, canvasDc.get(), c.src.x, c.src.y, SRCCOPY);
        const double doubling = msSince(t1);
        const int band = 80;
        t1 = Clock::now();
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < vw; ++x) BitBlt(canvasDc.get(), x, y, 1, 1, tileDc.get(), 0, 0, SRCCOPY);
        const double perTile = msSince(t1);
        std::printf("| drawing a 1 x 1 pattern | calls | ms |\n|---|---:|---:|\n");
        std::printf("| doubling, %d x %d | %zu | %.2f |\n", vw, vh, fill.tiles.size() + fill.copies.size(), doubling);
        std::printf("| tile by tile, %d x %d (a tenth of the screen) | %d | %.0f |\n\n", vw, band, vw * band, perTile);
    }

    keeper.restoreUser();
    system->put(before);
}

void taskbarFigures(int reps) {
    e2e::StandInTaskbar taskbar;
    e2e::WindowHost host;
    if (!taskbar.start(false)) {
        std::printf("the stand-in taskbar did not start\n");
        return;
    }
    for (int i = 0; i < 30; ++i) host.open(L"m" + std::to_wstring(i), e2e::makeRect(50 + 10 * i, 50 + 5 * i, 300, 200));
    e2e::pollUntil([&] { return taskbar.order().size() >= 30; });
    zelvane::win32::ShellTaskbar reader;
    // Limits wide enough that a busy machine still completes every read.
    zelvane::TaskbarLimits limits;
    limits.perCall = std::chrono::milliseconds(2000);
    limits.total = std::chrono::milliseconds(10000);
    Figures reads;
    std::size_t buttons = 0;
    for (int i = 0; i < reps; ++i) {
        auto t0 = Clock::now();
        const auto read = reader.readButtons(limits);
        reads.ms.push_back(msSince(t0));
        if (read.status == zelvane::TaskbarReadStatus::Done) buttons = read.buttons.size();
    }
    double sum = 0;
    for (double t : reads.ms) sum += t;
    const double best = *std::min_element(reads.ms.begin(), reads.ms.end());
    std::printf("| taskbar read | buttons | best ms | mean ms |\n|---|---:|---:|---:|\n");
    std::printf("| %d reads | %zu | %.2f | %.2f |\n\n", reps, buttons, best, sum / reps);
}

}  // namespace

int main(int argc, char** argv) {
    std::string only;
    int reps = 20;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--only=", 0) == 0) only = a.substr(7);
        if (a.rfind("--reps=", 0) == 0) reps = std::max(1, std::atoi(a.c_str() + 7));
    }
    if (only.empty() || only == "wallpaper") wallpaperFigures(reps);
    if (only.empty() || only == "taskbar") taskbarFigures(reps);
    std::fflush(stdout);
    return 0;
}
