#pragma once
// An in-memory desktop for the controller's tests: windows with a class, a
// rectangle, visibility and Z order, owned by threads that carry out what is
// posted to them in order, can stop answering, and answer notices the way
// Windows does: queued behind the requests, delivered to the UI thread only
// when it takes its messages (pumpNotices). For the executor's books it can
// also hold every thread until told (manual), let a notice overtake the
// requests before it, or lose notices.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
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
        std::uint32_t exStyle = 0;
        bool cloaked = false;
        WindowId owner = kNoWindow;
        std::uint32_t thread = 0;  // 0: a thread of its own
        bool hung = false;         // its program does not answer: its thread's requests wait
        bool refuses = false;      // placements are refused (a program we may not place)
        bool ours = false;         // a window of the program under test
        std::vector<std::string> calls;  // "move x,y", "show", "hide", "activate", in arrival order
    };

    ScreenMetrics screen{1280, 800, 0, 0, 1280, 800};
    WindowId shell = 0;  // the desktop's own window, 0 = none
    SessionStamp session{7, 1'700'000'000, 3'600'000};

    // How threads take their queues: at once unless hung (the default), or
    // only when deliver() says so.
    bool manual = false;
    bool noticeOvertakes = false;  // a notice is answered before the requests queued ahead of it
    bool loseNotices = false;      // notices are never answered

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
    bool ownedByThisProcess(WindowId id) const override { return read(id, &Window::ours, false); }
    std::uint32_t style(WindowId id) const override { return read(id, &Window::style, 0u); }
    std::uint32_t exStyle(WindowId id) const override { return read(id, &Window::exStyle, 0u); }
    bool isCloaked(WindowId id) const override { return read(id, &Window::cloaked, false); }
    WindowId owner(WindowId id) const override { return read(id, &Window::owner, WindowId{kNoWindow}); }
    WindowId foregroundWindow() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return foreground_;
    }
    WindowId shellWindow() const override { return shell; }

    bool placeWindow(WindowId id, std::optional<Point> pos, bool show) override {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = windows_.find(id);
        if (it == windows_.end() || it->second.refuses) return false;
        const std::uint32_t t = threadOf(id);
        queues_[t].push_back(Item{id, pos, show, 0});
        ++posted;
        if (!manual) run(t);
        return true;
    }
    bool isHung(WindowId id) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return windows_.count(id) && threadHung(threadOf(id));
    }
    std::uint32_t windowThread(WindowId id) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return windows_.count(id) ? threadOf(id) : 0;
    }
    bool requestNotice(WindowId id, std::uint64_t ticket) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!windows_.count(id)) return false;
        ++noticesAsked;
        if (loseNotices) return true;
        const std::uint32_t t = threadOf(id);
        Item notice{kNoWindow, std::nullopt, false, ticket};
        auto& q = queues_[t];
        if (noticeOvertakes)
            q.push_front(notice);
        else
            q.push_back(notice);
        if (!manual) run(t);
        return true;
    }
    void setNoticeHandler(std::function<void(std::uint64_t)> handler) override {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
    }
    void setRescueList(const std::vector<RescuePlacement>& list) override {
        std::lock_guard<std::mutex> lock(mutex_);
        rescue = list;
        rescueLists.push_back(list);
        postedAtList.push_back(posted);
    }
    SessionStamp sessionStamp() const override { return session; }
    // Like the real thing, handing the foreground on waits for the window
    // that has it when its program hangs.
    bool setForeground(WindowId id, const std::function<bool()>& stillWanted) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return !windows_.count(foreground_) || !windows_.at(foreground_).hung; });
        lock.unlock();
        const bool wanted = stillWanted();
        lock.lock();
        if (!wanted || !windows_.count(id)) return false;
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

    // The UI thread takes its messages: the notices answered so far reach
    // the handler. Returns how many.
    int pumpNotices() {
        std::vector<std::uint64_t> tickets;
        std::function<void(std::uint64_t)> handler;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tickets.swap(answered_);
            handler = handler_;
        }
        if (handler)
            for (std::uint64_t t : tickets) handler(t);
        return static_cast<int>(tickets.size());
    }
    // Lets the thread of window `id` take its queue, or only the first
    // `count` items of it (manual mode, or after it hung).
    void deliver(WindowId id, std::size_t count = SIZE_MAX) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (windows_.count(id)) run(threadOf(id), true, count);
    }
    // The program answers again: blocked calls return and queued requests run, in order.
    void answer(WindowId id) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!windows_.count(id)) return;
        windows_.at(id).hung = false;
        run(threadOf(id), true);
        changed_.notify_all();
    }
    // Waits until pred(window) holds (true) or the time runs out (false).
    template <typename Pred>
    bool waitFor(WindowId id, Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return windows_.count(id) && pred(windows_.at(id)); });
    }

    int activations = 0;
    int posted = 0;        // placement requests posted
    int noticesAsked = 0;  // notices requested
    bool modifiersDown = false;
    std::vector<RescuePlacement> rescue;                    // the list kept now
    std::vector<std::vector<RescuePlacement>> rescueLists;  // every list kept, in order
    std::vector<int> postedAtList;                          // placements posted when each was kept

private:
    struct Item {
        WindowId window;  // kNoWindow: a notice
        std::optional<Point> pos;
        bool show;
        std::uint64_t ticket;
    };

    template <typename T>
    T read(WindowId id, T Window::*field, T fallback) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = windows_.find(id);
        return it == windows_.end() ? fallback : it->second.*field;
    }
    std::uint32_t threadOf(WindowId id) const {
        const std::uint32_t t = windows_.at(id).thread;
        return t ? t : static_cast<std::uint32_t>(id);
    }
    bool threadHung(std::uint32_t t) const {
        for (const auto& [id, w] : windows_)
            if (w.hung && threadOf(id) == t) return true;
        return false;
    }
    void apply(const Item& item) {
        const auto it = windows_.find(item.window);
        if (it == windows_.end()) return;  // closed meanwhile
        Window& w = it->second;
        if (item.pos) {
            w.rect = {item.pos->x, item.pos->y, item.pos->x + (w.rect.right - w.rect.left),
                      item.pos->y + (w.rect.bottom - w.rect.top)};
            w.calls.push_back("move " + std::to_string(item.pos->x) + "," + std::to_string(item.pos->y));
        }
        if (w.visible != item.show) w.calls.push_back(item.show ? "show" : "hide");
        w.visible = item.show;
    }
    // Takes the thread's queue in order, unless it is held.
    void run(std::uint32_t t, bool told = false, std::size_t count = SIZE_MAX) {
        if ((manual && !told) || threadHung(t)) return;
        auto& q = queues_[t];
        for (; !q.empty() && count > 0; --count) {
            const Item item = q.front();
            q.pop_front();
            if (item.window == kNoWindow)
                answered_.push_back(item.ticket);
            else
                apply(item);
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<WindowId, Window> windows_;
    std::map<std::uint32_t, std::deque<Item>> queues_;
    std::vector<std::uint64_t> answered_;
    std::function<void(std::uint64_t)> handler_;
    std::vector<WindowId> zorder_;
    WindowId foreground_ = 0;
    WindowId nextId_ = 0x1000;
};

}  // namespace zelvane::testing
