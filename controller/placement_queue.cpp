#include "controller/placement_queue.h"

#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zelvane {

namespace {

using Clock = std::chrono::steady_clock;

// How long an activation waits for the modifier keys to be released.
constexpr int kModifierWaitMs = 1500;

struct Placement {
    std::optional<Point> pos;
    bool show = false;
};

struct Lane {
    std::optional<Placement> queued;  // next placement to run
    std::optional<Placement> newest;  // the last one requested, for detachPending
    bool inFlight = false;            // a worker is running this lane
    bool scheduled = false;           // waiting in the ready queue
    std::uint64_t activation = 0;     // activation to run after the placements, 0 = none
    std::uint64_t id = 0;             // tells a lane from a later one of the same window
};

// Either a window's lane of placements, or one activation. An activation
// runs as a task of its own: bringing a window forward can block on the
// window that had the foreground, and must never hold up any placement.
struct Task {
    WindowId window = kNoWindow;
    std::uint64_t activation = 0;  // 0: run the window's lane
};

struct WorkerSlot {
    bool inCall = false;
    Clock::time_point callStart{};
};

}  // namespace

struct PlacementQueue::State : std::enable_shared_from_this<PlacementQueue::State> {
    std::shared_ptr<Desktop> desktop;
    Options options;

    mutable std::mutex mutex;
    std::condition_variable workAvailable;
    mutable std::condition_variable laneFinished;
    std::condition_variable supervisorWake;
    std::condition_variable workerLeft;

    std::unordered_map<WindowId, Lane> lanes;
    std::deque<Task> ready;
    int activationsPending = 0;
    std::list<WorkerSlot> workers;
    int idleWorkers = 0;
    std::uint64_t lastActivation = 0;
    std::uint64_t lastLaneId = 0;
    bool stopping = false;
    std::thread supervisor;

    State(std::shared_ptr<Desktop> d, Options o) : desktop(std::move(d)), options(o) {}

    void schedule(WindowId w, Lane& lane) {
        if (lane.inFlight || lane.scheduled) return;
        lane.scheduled = true;
        enqueue(Task{w, 0});
    }

    void scheduleActivation(WindowId w, std::uint64_t activation) {
        ++activationsPending;
        enqueue(Task{w, activation});
    }

    void enqueue(const Task& task) {
        ready.push_back(task);
        if (idleWorkers > 0)
            workAvailable.notify_one();
        else if (static_cast<int>(workers.size()) < options.baseWorkers)
            spawnWorker();
        // The supervisor watches every queued task until a worker takes it: an
        // idle worker that was just woken may take another task and then hang.
        supervisorWake.notify_one();
    }

    int responsiveWorkers() const {
        const auto now = Clock::now();
        int hung = 0;
        for (const auto& s : workers)
            if (s.inCall && now - s.callStart >= options.stuckAfter) ++hung;
        return static_cast<int>(workers.size()) - hung;
    }

    void spawnWorker() {
        if (static_cast<int>(workers.size()) >= options.maxWorkers) return;
        auto slot = workers.emplace(workers.end());
        // Detached: a worker blocked on a hung window may outlive the queue;
        // the shared state it holds keeps everything it touches alive.
        std::thread([self = shared_from_this(), slot] { self->workerMain(slot); }).detach();
    }

    // Runs a blocking desktop call with the lock released, marking the worker
    // as busy so the supervisor can tell a hung call from a slow one.
    template <typename Call>
    void callUnlocked(std::unique_lock<std::mutex>& lock, WorkerSlot& slot, Call&& call) {
        slot.inCall = true;
        slot.callStart = Clock::now();
        lock.unlock();
        call();
        lock.lock();
        slot.inCall = false;
    }

    Lane& laneFor(WindowId w) {
        Lane& lane = lanes[w];
        if (lane.id == 0) lane.id = ++lastLaneId;
        return lane;
    }

    // The lane of w, unless it was handed over (detachPending) meanwhile.
    Lane* findLane(WindowId w, std::uint64_t id) {
        auto it = lanes.find(w);
        return it != lanes.end() && it->second.id == id ? &it->second : nullptr;
    }

    void runLane(std::unique_lock<std::mutex>& lock, WindowId w, WorkerSlot& slot) {
        auto it = lanes.find(w);
        if (it == lanes.end()) return;  // handed over meanwhile
        const std::uint64_t id = it->second.id;
        it->second.scheduled = false;
        it->second.inFlight = true;
        for (;;) {
            Lane* lane = findLane(w, id);
            if (!lane) return;
            if (lane->queued) {
                const Placement p = *lane->queued;
                lane->queued.reset();
                // Each call is a round trip to the window's program: skip
                // the ones that would change nothing (a window of a third
                // workspace is already hidden; the lane's earlier calls are
                // done, so what the window shows now is current).
                if (p.pos)
                    callUnlocked(lock, slot, [&] {
                        const Rect r = desktop->windowRect(w);
                        if (r.left != p.pos->x || r.top != p.pos->y) desktop->moveWindow(w, p.pos->x, p.pos->y);
                    });
                lane = findLane(w, id);
                if (!lane) return;
                // A newer placement arrived while the move ran: its own move
                // and show come next, so this show would only flicker.
                if (lane->queued) continue;
                callUnlocked(lock, slot, [&] {
                    if (desktop->isVisible(w) != p.show) desktop->showWindow(w, p.show);
                });
                continue;
            }
            if (lane->activation != 0) scheduleActivation(w, lane->activation);
            lanes.erase(w);
            laneFinished.notify_all();
            return;
        }
    }

    void workerMain(std::list<WorkerSlot>::iterator slot) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (ready.empty()) {
                if (stopping) break;
                const bool extra = static_cast<int>(workers.size()) > options.baseWorkers;
                ++idleWorkers;
                bool woke = true;
                const auto hasWork = [this] { return !ready.empty() || stopping; };
                if (extra)
                    woke = workAvailable.wait_for(lock, options.idleExit, hasWork);
                else
                    workAvailable.wait(lock, hasWork);
                --idleWorkers;
                if (!woke) break;
                continue;
            }
            const Task task = ready.front();
            ready.pop_front();
            if (task.activation == 0) {
                runLane(lock, task.window, *slot);
                continue;
            }
            // While the user still holds the switching chord, more switches
            // may follow: the foreground moves once the keys are let go.
            // Only the newest activation is wanted; older ones are dropped.
            if (task.activation == lastActivation)
                callUnlocked(lock, *slot, [&] { desktop->waitForModifiersReleased(kModifierWaitMs); });
            if (task.activation == lastActivation)
                callUnlocked(lock, *slot, [&] { desktop->setForeground(task.window); });
            if (activationsPending > 0) --activationsPending;  // zeroed when handed over
            laneFinished.notify_all();
        }
        workers.erase(slot);
        workerLeft.notify_all();
    }

    // Keeps enough workers that are not stuck in a hung window's call.
    void supervisorMain() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            if (ready.empty()) {
                supervisorWake.wait(lock);
                continue;
            }
            if (idleWorkers == 0 && responsiveWorkers() < options.baseWorkers) {
                spawnWorker();
                continue;
            }
            supervisorWake.wait_for(lock, options.stuckAfter / 3 + std::chrono::milliseconds(1));
        }
    }
};

PlacementQueue::PlacementQueue(std::shared_ptr<Desktop> desktop) : PlacementQueue(std::move(desktop), Options{}) {}

PlacementQueue::PlacementQueue(std::shared_ptr<Desktop> desktop, Options options)
    : state_(std::make_shared<State>(std::move(desktop), options)) {
    state_->supervisor = std::thread([st = state_.get()] { st->supervisorMain(); });
}

PlacementQueue::~PlacementQueue() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->workAvailable.notify_all();
    state_->supervisorWake.notify_all();
    // Idle workers leave at once, busy ones after their lane; a worker that
    // stays blocked on a hung window is left behind, detached.
    state_->workerLeft.wait_for(lock, std::chrono::milliseconds(500), [this] {
        for (const auto& s : state_->workers)
            if (!s.inCall) return false;
        return true;
    });
    lock.unlock();
    state_->supervisor.join();
}

void PlacementQueue::place(WindowId w, std::optional<Point> pos, bool show) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    Lane& lane = state_->laneFor(w);
    lane.queued = Placement{pos, show};
    lane.newest = lane.queued;
    state_->schedule(w, lane);
}

void PlacementQueue::activate(WindowId w) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const std::uint64_t activation = ++state_->lastActivation;
    // Behind the window's own pending placement, so it is shown first.
    const auto it = state_->lanes.find(w);
    if (it != state_->lanes.end())
        it->second.activation = activation;
    else
        state_->scheduleActivation(w, activation);
}

bool PlacementQueue::pending(WindowId w) const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->lanes.count(w) != 0;
}

bool PlacementQueue::idle() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->lanes.empty() && state_->activationsPending == 0;
}

bool PlacementQueue::waitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->laneFinished.wait_for(
        lock, timeout, [this] { return state_->lanes.empty() && state_->activationsPending == 0; });
}

void PlacementQueue::detachPending() {
    std::vector<std::pair<WindowId, Placement>> handOver;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        for (auto& [w, lane] : state_->lanes)
            if (lane.newest) handOver.emplace_back(w, *lane.newest);
        state_->lanes.clear();
        state_->ready.clear();
        state_->activationsPending = 0;
        state_->laneFinished.notify_all();
    }
    for (const auto& [w, p] : handOver) {
        if (p.pos) state_->desktop->moveWindowAsync(w, p.pos->x, p.pos->y);
        state_->desktop->showWindowAsync(w, p.show);
    }
}

}  // namespace zelvane
