#pragma once
// An in-memory desktop for the controller's tests: windows with a class,
// a rectangle, visibility and Z order, and programs that can stop answering.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "controller/desktop.h"

namespace zelvane::testing {

class FakeDesktop : public Desktop {
public:
    struct Window {
        std::string className = "TestWindow";
        Rect rect;
        bool visible = true;
        bool minimized = false;
        std::uint32_t style = 0;
        bool hung = false;  // its program does not answer: blocking calls wait
        std::vector<std::string> calls;  // "move x,y", "show", "hide", "activate", in arrival order
    };

    ScreenMetrics screen{1280, 800, 0, 0, 1280, 800};

    WindowId add(int left, int top, int width, int height, std::string cls = "TestWindow") {
        std::lock_guard<std::mutex> lock(mutex_);
        const WindowId id = nextId_++;
        Window& w = windows_[id];
        w.className = std::move(cls);
        w.rect = {left, top, left + width, top + height};
        zorder_.insert(zorder_.begin(), id);  // new windows open on top
        return id;
    }
    void close(WindowId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        windows_.erase(id);
        zorder_.erase(std::remove(zorder_.begin(), zorder_.end(), id), zorder_.end());
        changed_.notify_all();
    }
    template <typename F>
    void edit(WindowId id, F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        f(windows_.at(id));
        changed_.notify_all();
    }
    Window get(WindowId id) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return windows_.at(id);
    }
    void setHung(WindowId id, bool hung) {
        edit(id, [&](Window& w) { w.hung = hung; });
    }
    void setForegroundNow(WindowId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        foreground_ = id;
    }
    WindowId shell = 0;  // the desktop's own window, 0 = none

    // --- Desktop ---
    ScreenMetrics metrics() const override { return screen; }
    std::vector<WindowId> topLevelWindows() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return zorder_;
    }
    bool isWindow(WindowId id) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return windows_.count(id) != 0;
    }
    bool isVisible(WindowId id) const override { return read(id, &Window::visible, false); }
    bool isMinimized(WindowId id) const override { return read(id, &Window::minimized, false); }
    Rect windowRect(WindowId id) const override { return read(id, &Window::rect, Rect{}); }
    std::string className(WindowId id) const override { return read(id, &Window::className, std::string()); }
    std::uint32_t style(WindowId id) const override { return read(id, &Window::style, 0u); }
    WindowId foregroundWindow() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return foreground_;
    }
    WindowId shellWindow() const override { return shell; }

    // Requests reach a program in the order they were posted; while it
    // hangs they wait in its queue.
    void placeWindow(WindowId id, std::optional<Point> pos, bool show) override {
        std::unique_lock<std::mutex> lock(mutex_);
        queued_[id].push_back({pos, show});
        ++posted;
        runQueued(id);
    }
    bool placementPending(WindowId id) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = queued_.find(id);
        return it != queued_.end() && !it->second.empty() && windows_.count(id);
    }
    void flushPlacements() override {}
    void setRescueList(const std::vector<RescuePlacement>& list) override {
        std::lock_guard<std::mutex> lock(mutex_);
        rescue = list;
    }
    // Like the real thing, handing the foreground on waits for the window
    // that has it when its program hangs.
    bool setForeground(WindowId id) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !windows_.count(foreground_) || !windows_.at(foreground_).hung; });
        if (!windows_.count(id)) return false;
        foreground_ = id;
        windows_.at(id).calls.push_back("activate");
        ++activations;
        changed_.notify_all();
        return true;
    }
    void waitForModifiersReleased(int limitMs) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return !modifiersDown; });
    }
    void setModifiersDown(bool down) {
        std::lock_guard<std::mutex> lock(mutex_);
        modifiersDown = down;
        changed_.notify_all();
    }

    // The program answers again: blocked calls return and queued requests run, in order.
    void answer(WindowId id) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!windows_.count(id)) return;
        windows_.at(id).hung = false;
        runQueued(id);
        changed_.notify_all();
    }
    // Waits until pred(window) holds (true) or the time runs out (false).
    template <typename Pred>
    bool waitFor(WindowId id, Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return windows_.count(id) && pred(windows_.at(id)); });
    }
    int activations = 0;
    int posted = 0;  // placement requests posted
    bool modifiersDown = false;
    std::vector<RescuePlacement> rescue;

private:
    struct Request {
        std::optional<Point> pos;
        bool show;
    };

    template <typename T>
    T read(WindowId id, T Window::*field, T fallback) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = windows_.find(id);
        return it == windows_.end() ? fallback : it->second.*field;
    }
    void apply(WindowId id, const Request& c) {
        Window& w = windows_.at(id);
        if (c.pos) {
            w.rect = {c.pos->x, c.pos->y, c.pos->x + (w.rect.right - w.rect.left),
                      c.pos->y + (w.rect.bottom - w.rect.top)};
            w.calls.push_back("move " + std::to_string(c.pos->x) + "," + std::to_string(c.pos->y));
        }
        if (w.visible != c.show) w.calls.push_back(c.show ? "show" : "hide");
        w.visible = c.show;
        changed_.notify_all();
    }
    void runQueued(WindowId id) {
        auto& q = queued_[id];
        while (!q.empty() && windows_.count(id) && !windows_.at(id).hung) {
            apply(id, q.front());
            q.erase(q.begin());
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<WindowId, Window> windows_;
    std::map<WindowId, std::vector<Request>> queued_;
    std::vector<WindowId> zorder_;
    WindowId foreground_ = 0;
    WindowId nextId_ = 0x1000;
};

}  // namespace zelvane::testing
