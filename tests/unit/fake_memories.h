#pragma once
// Fakes of what a workspace remembers besides its windows: the playback
// devices, the shell's taskbar and the system's wallpaper.
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/text_file.h"
#include "controller/taskbar.h"
#include "controller/tray_order.h"
#include "controller/volume.h"
#include "controller/wallpaper_system.h"

namespace zelvane::testing {

using Buttons = std::vector<WindowId>;

// Playback devices, each with its own volume, one of them the default. The
// default can fail to answer, and taking it again can mend that or not.
class FakeVolume : public MasterVolume {
public:
    std::optional<VolumeReading> read() override {
        ++reads;
        if (broken || !levels.count(defaultDevice)) return std::nullopt;
        return VolumeReading{defaultDevice, levels[defaultDevice]};
    }
    bool write(const std::string& device, int percent) override {
        if (broken || device != defaultDevice) return false;
        levels[device] = percent;
        ++writes;
        return true;
    }
    bool reopen() override {
        ++reopens;
        if (!reopenMends) return false;
        broken = false;
        return levels.count(defaultDevice) != 0;
    }
    std::map<std::string, int> levels{{"speakers", 50}};
    std::string defaultDevice = "speakers";
    bool broken = false;
    bool reopenMends = true;
    int reads = 0;
    int writes = 0;
    int reopens = 0;
};

// A taskbar whose buttons are a list; it can stop answering, and it counts calls.
class FakeTaskbar : public Taskbar {
public:
    TaskbarRead readButtons(const TaskbarLimits&) override {
        std::lock_guard<std::mutex> g(m);
        ++reads;
        if (absent) return {TaskbarReadStatus::NoTaskbar, kNoWindow, {}};
        if (hung) return {TaskbarReadStatus::Unfinished, 7, {}};
        return {TaskbarReadStatus::Done, 7, buttons};
    }
    bool moveButtonToFront(WindowId toolbar, std::size_t index, WindowId expected,
                           std::chrono::milliseconds) override {
        std::lock_guard<std::mutex> g(m);
        if (beforeFirstMove) std::exchange(beforeFirstMove, nullptr)();
        if (hung || toolbar != 7 || index >= buttons.size() || buttons[index] != expected) return false;
        // The shell's own change between the check and the move: the first
        // group goes to the end, and the move lands on another button.
        if (churn > 0) {
            --churn;
            std::size_t end = 1;
            while (end < buttons.size() && buttons[end] != kNoWindow) ++end;
            std::rotate(buttons.begin(), buttons.begin() + static_cast<std::ptrdiff_t>(end), buttons.end());
        }
        ++moves;
        moveToFront(buttons, index);
        return buttons.front() == expected;
    }
    std::vector<WindowId> windowsWantingButtons() override {
        std::lock_guard<std::mutex> g(m);
        return wanting;
    }
    template <typename F>
    void edit(F f) {
        std::lock_guard<std::mutex> g(m);
        f();
    }
    Buttons now() {
        std::lock_guard<std::mutex> g(m);
        return buttons;
    }

    std::mutex m;
    Buttons buttons;
    Buttons wanting;
    bool hung = false;
    bool absent = false;
    std::function<void()> beforeFirstMove;  // the shell changing its buttons after a read
    int churn = 0;                          // moves before which the shell changes its buttons
    int reads = 0;
    int moves = 0;
};

// The system side: files named like the real ones, with text saying what
// they hold. Pieces are cut on the keeper's worker, so everything is locked;
// `holdCuts` keeps the worker waiting before each piece until released.
class FakeWallpaperSystem : public WallpaperSystem {
public:
    DesktopWallpaper current() const override {
        std::lock_guard<std::mutex> g(m);
        DesktopWallpaper w = shown;
        if (!reportAs.empty()) w.path = reportAs;  // the system's transcoded copy
        return w;
    }
    bool put(const DesktopWallpaper& w) override {
        std::lock_guard<std::mutex> g(m);
        puts.push_back(w);
        const auto picture = w.path.empty() ? std::optional<std::string>("") : readTextFile(w.path);
        if (!picture) return false;  // refused: no such picture
        shown = w;
        if (!reportAs.empty()) replaceFileContents(reportAs, *picture);
        return true;
    }
    bool snapshotDesktop(const std::string& path) override {
        std::lock_guard<std::mutex> g(m);
        ++snapshots;
        const std::string what = reportAs.empty() ? shown.path : readTextFile(reportAs).value_or("?");
        return replaceFileContents(path, "snapshot of " + what);
    }
    bool cutCrop(const std::string& source, Box crop, const std::string& dest) override {
        std::unique_lock<std::mutex> g(m);
        released.wait(g, [&] { return !holdCuts; });
        const auto from = readTextFile(source);
        if (!from || dest == failingPiece) return false;
        crops.push_back(crop);
        return replaceFileContents(dest, "crop of " + *from);
    }
    void release() {
        {
            std::lock_guard<std::mutex> g(m);
            holdCuts = false;
        }
        released.notify_all();
    }
    std::vector<DesktopWallpaper> putsSoFar() const {
        std::lock_guard<std::mutex> g(m);
        return puts;
    }

    mutable std::mutex m;
    std::condition_variable released;
    DesktopWallpaper shown;
    std::string reportAs;
    std::vector<DesktopWallpaper> puts;
    std::vector<Box> crops;
    int snapshots = 0;
    bool holdCuts = false;
    std::string failingPiece;
};

}  // namespace zelvane::testing
