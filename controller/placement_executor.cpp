#include "controller/placement_executor.h"

#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

namespace zelvane {

struct PlacementExecutor::Books {
    struct Pending {
        std::optional<Point> pos;
        bool show = false;
        std::uint64_t ticket = 0;  // the notice that covers it
        bool noticed = false;
        Clock::time_point noticedAt{};
    };
    struct Ticket {
        std::vector<WindowId> windows;  // the batch's windows of one thread, in posting order
        WindowId via = kNoWindow;       // the window the notice went through
        Clock::time_point askedAt{};    // when it was last asked for
        Clock::time_point firstAskedAt{};
    };

    Books(std::shared_ptr<Desktop> d, Options o) : desktop(std::move(d)), options(std::move(o)) {}

    std::shared_ptr<Desktop> desktop;
    Options options;
    mutable std::mutex mutex;
    std::unordered_map<WindowId, Pending> pending;
    std::unordered_map<std::uint64_t, Ticket> tickets;
    std::uint64_t lastTicket = 0;

    // Whether w's placement is still on its way, given its live state read
    // just now; forgets it when not. Caller holds the mutex.
    bool stillInFlight(WindowId w, bool exists, bool visible, const Rect& rect, Clock::time_point now) {
        const auto it = pending.find(w);
        if (it == pending.end()) return false;
        const Pending& p = it->second;
        bool done = !exists;  // a window that is gone never answers
        if (!done && p.noticed) {
            const bool there = visible == p.show && (!p.pos || (rect.left == p.pos->x && rect.top == p.pos->y));
            done = there || now - p.noticedAt >= options.settleAfterNotice;
        }
        if (done) pending.erase(it);
        return !done;
    }

    bool liveInFlight(WindowId w) {
        const auto it = pending.find(w);
        if (it == pending.end()) return false;
        const bool exists = desktop->isWindow(w);
        const bool visible = exists && desktop->isVisible(w);
        const Rect rect = exists && it->second.pos ? desktop->windowRect(w) : Rect{};
        return stillInFlight(w, exists, visible, rect, options.now());
    }

    void onNotice(std::uint64_t ticket) {
        std::lock_guard<std::mutex> lock(mutex);
        noticed(ticket, options.now());
    }

    // The ticket's notice is back (or counts as back). Caller holds the mutex.
    void noticed(std::uint64_t ticket, Clock::time_point now) {
        const auto t = tickets.find(ticket);
        if (t == tickets.end()) return;
        for (WindowId w : t->second.windows) {
            const auto p = pending.find(w);
            // A newer placement of the window waits for a notice of its own.
            if (p != pending.end() && p->second.ticket == ticket) {
                p->second.noticed = true;
                p->second.noticedAt = now;
            }
        }
        tickets.erase(t);
    }

    // The windows of a ticket whose newest placement it still covers.
    std::vector<WindowId> waitingOn(std::uint64_t ticket) const {
        std::vector<WindowId> list;
        const auto t = tickets.find(ticket);
        if (t == tickets.end()) return list;
        for (WindowId w : t->second.windows) {
            const auto p = pending.find(w);
            if (p != pending.end() && p->second.ticket == ticket && !p->second.noticed) list.push_back(w);
        }
        return list;
    }

    // Asks a thread for its notice through the newest of `windows` that
    // still exists. Called without the mutex: for a window of the calling
    // thread the notice comes back inside the request.
    void ask(std::uint64_t ticket, const std::vector<WindowId>& windows) {
        for (auto w = windows.rbegin(); w != windows.rend(); ++w) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                const auto t = tickets.find(ticket);
                if (t == tickets.end()) return;  // answered meanwhile
                t->second.via = *w;
                t->second.askedAt = options.now();
            }
            if (desktop->requestNotice(*w, ticket)) return;
        }
        // No window of the batch is left to ask through: they are all gone.
        std::lock_guard<std::mutex> lock(mutex);
        for (WindowId w : windows) {
            const auto p = pending.find(w);
            if (p != pending.end() && p->second.ticket == ticket) pending.erase(p);
        }
        tickets.erase(ticket);
    }

    // A notice that went through a window closed before its thread answered
    // may never come: ask again through a window of the batch that exists.
    // One that has not come for a long while from a thread that is not hung
    // (it has taken its messages since, our placements among them) counts
    // as come. A hung thread is waited for: its windows have not moved, so
    // nothing may measure them. UI thread.
    void followUpNotices() {
        std::vector<std::pair<std::uint64_t, std::vector<WindowId>>> again;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const auto now = options.now();
            std::vector<std::uint64_t> expired;
            for (auto& [ticket, t] : tickets) {
                if (now - t.askedAt < options.askAgainAfter) continue;
                t.askedAt = now;
                if (!desktop->isWindow(t.via)) {
                    again.emplace_back(ticket, waitingOn(ticket));
                } else if (now - t.firstAskedAt >= options.noticeExpiry && !desktop->isHung(t.via)) {
                    expired.push_back(ticket);
                }
            }
            for (std::uint64_t ticket : expired) noticed(ticket, now);
        }
        for (auto& [ticket, windows] : again) ask(ticket, windows);
    }
};

PlacementExecutor::PlacementExecutor(std::shared_ptr<Desktop> desktop)
    : PlacementExecutor(std::move(desktop), Options{}) {}

PlacementExecutor::PlacementExecutor(std::shared_ptr<Desktop> desktop, Options options)
    : desktop_(desktop), books_(std::make_shared<Books>(std::move(desktop), std::move(options))) {
    std::weak_ptr<Books> books = books_;
    desktop_->setNoticeHandler([books](std::uint64_t ticket) {
        if (const auto b = books.lock()) b->onNotice(ticket);
    });
}

PlacementExecutor::~PlacementExecutor() { desktop_->setNoticeHandler({}); }

Snapshot PlacementExecutor::snapshot(const std::function<unsigned(WindowId)>& reads) const {
    books_->followUpNotices();
    const Desktop& d = *desktop_;
    Snapshot snap;
    snap.foreground = d.foregroundWindow();
    snap.shell = d.shellWindow();
    const std::vector<WindowId> ids = d.topLevelWindows();
    snap.windows.reserve(ids.size());
    for (WindowId w : ids) {
        LiveWindow live;
        live.id = w;
        const unsigned r = reads(w);
        if (r != kReadNothing) {
            live.visible = d.isVisible(w);
            if (live.visible || (r & kReadGeometry)) {
                live.minimized = d.isMinimized(w);
                live.rect = d.windowRect(w);
            }
            if (live.visible && (r & (kReadCloaking | kReadPreviewTraits))) live.cloaked = d.isCloaked(w);
            if ((r & kReadClass) || ((r & kReadClassIfShown) && live.visible && !live.minimized)) {
                live.described = true;
                live.className = d.className(w);
                live.style = d.style(w);
                live.ours = d.ownedByThisProcess(w);
            }
            if ((r & kReadPreviewTraits) && (live.visible || live.described || (r & kReadGeometry))) {
                live.exStyle = d.exStyle(w);
                live.owner = d.owner(w);
            }
        }
        snap.windows.push_back(std::move(live));
    }
    snap.reindex();

    std::lock_guard<std::mutex> lock(books_->mutex);
    const auto now = books_->options.now();
    for (LiveWindow& live : snap.windows) {
        const auto pending = books_->pending.find(live.id);
        if (pending == books_->pending.end()) continue;
        if (reads(live.id) == kReadNothing) {
            live.inFlight = true;
            continue;
        }
        // Whether it landed is told by its place too, also when the plan
        // did not ask for the place of a hidden window.
        Rect rect = live.rect;
        if (!live.visible && pending->second.pos && !(reads(live.id) & kReadGeometry)) rect = d.windowRect(live.id);
        live.inFlight = books_->stillInFlight(live.id, true, live.visible, rect, now);
    }
    // Windows that are gone are not waited for.
    for (auto it = books_->pending.begin(); it != books_->pending.end();)
        it = snap.find(it->first) ? std::next(it) : books_->pending.erase(it);
    return snap;
}

std::vector<WindowId> PlacementExecutor::carryOut(const Plan& plan) {
    // While the placements are on their way, a crash must show both the
    // windows hidden before (some may not have been shown yet) and those
    // hidden now (some may be hidden already).
    if (!plan.placements.empty()) {
        std::map<WindowId, RescuePlacement> both;
        for (const RescuePlacement& r : rescue_) both[r.window] = r;
        for (const RescuePlacement& r : plan.rescue) both[r.window] = r;
        std::vector<RescuePlacement> list;
        list.reserve(both.size());
        for (const auto& [w, r] : both) list.push_back(r);
        desktop_->setRescueList(list);
    }

    std::vector<WindowId> refused;
    std::map<std::uint32_t, std::vector<WindowId>> byThread;
    for (const Placement& p : plan.placements) {
        if (!desktop_->placeWindow(p.window, p.pos, p.show)) {
            // A window closed since the snapshot is no refusal.
            if (desktop_->isWindow(p.window)) refused.push_back(p.window);
            continue;
        }
        const std::uint32_t thread = desktop_->windowThread(p.window);
        std::lock_guard<std::mutex> lock(books_->mutex);
        books_->pending[p.window] = Books::Pending{p.pos, p.show, 0, false, {}};
        byThread[thread].push_back(p.window);
    }

    // One notice per thread, not per window: a program that owns a hundred
    // windows answers one.
    std::vector<std::pair<std::uint64_t, std::vector<WindowId>>> asks;
    {
        std::lock_guard<std::mutex> lock(books_->mutex);
        for (auto& [thread, windows] : byThread) {
            const std::uint64_t ticket = ++books_->lastTicket;
            for (WindowId w : windows) books_->pending[w].ticket = ticket;
            const auto now = books_->options.now();
            books_->tickets[ticket] = Books::Ticket{windows, kNoWindow, now, now};
            asks.emplace_back(ticket, std::move(windows));
        }
    }
    for (const auto& [ticket, windows] : asks) books_->ask(ticket, windows);

    desktop_->setRescueList(plan.rescue);
    rescue_ = plan.rescue;
    return refused;
}

bool PlacementExecutor::inFlight(WindowId w) const {
    std::lock_guard<std::mutex> lock(books_->mutex);
    return books_->liveInFlight(w);
}

std::function<bool(WindowId)> PlacementExecutor::inFlightQuery() const {
    return [books = books_](WindowId w) {
        std::lock_guard<std::mutex> lock(books->mutex);
        return books->liveInFlight(w);
    };
}

bool PlacementExecutor::idle() const {
    std::lock_guard<std::mutex> lock(books_->mutex);
    std::vector<WindowId> windows;
    for (const auto& [w, p] : books_->pending) windows.push_back(w);
    for (WindowId w : windows) books_->liveInFlight(w);
    return books_->pending.empty();
}

}  // namespace zelvane
