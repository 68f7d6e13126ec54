#include "controller/activator.h"

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace zelvane {

namespace {

using Clock = std::chrono::steady_clock;

struct WorkerSlot {
    bool inCall = false;
    Clock::time_point callStart{};
};

}  // namespace

struct Activator::State : std::enable_shared_from_this<Activator::State> {
    std::shared_ptr<Desktop> desktop;
    std::function<bool(WindowId)> inFlight;
    Options options;

    mutable std::mutex mutex;
    std::condition_variable work;
    mutable std::condition_variable done;

    WindowId wanted = kNoWindow;
    std::uint64_t requested = 0;  // generation of the newest request
    std::uint64_t claimed = 0;    // generation a worker has taken up
    int running = 0;              // requests being carried out
    std::list<WorkerSlot> workers;
    int idleWorkers = 0;
    bool stopping = false;

    State(std::shared_ptr<Desktop> d, std::function<bool(WindowId)> f, Options o)
        : desktop(std::move(d)), inFlight(std::move(f)), options(o) {}

    bool newest(std::uint64_t generation) const { return generation == requested && !stopping; }

    // Every worker is stuck in a call: the request needs a fresh one.
    bool allStuck() const {
        const auto now = Clock::now();
        for (const auto& s : workers)
            if (!s.inCall || now - s.callStart < options.stuckAfter) return false;
        return true;
    }

    void spawnWorker() {
        if (static_cast<int>(workers.size()) >= options.maxWorkers) return;
        const auto slot = workers.emplace(workers.end());
        try {
            // Detached: a worker stuck on a hung window may outlive the
            // activator; the shared state keeps all it touches alive.
            std::thread([self = shared_from_this(), slot] { self->workerMain(slot); }).detach();
        } catch (const std::system_error&) {
            workers.erase(slot);  // no thread to be had: a free worker takes the request later
        }
    }

    template <typename Call>
    auto callUnlocked(std::unique_lock<std::mutex>& lock, WorkerSlot& slot, Call&& call) {
        slot.inCall = true;
        slot.callStart = Clock::now();
        lock.unlock();
        const auto result = call();
        lock.lock();
        slot.inCall = false;
        return result;
    }

    void carryOut(std::unique_lock<std::mutex>& lock, WorkerSlot& slot, WindowId w, std::uint64_t generation) {
        // While the user still holds the switching chord, more switches may
        // follow: the foreground moves once the keys are let go.
        lock.unlock();
        desktop->waitForModifiersReleased(options.modifierWaitMs);
        lock.lock();
        // The window's placement was posted to its program: wait until it is
        // shown, or a foreground change would be refused.
        // One that is not shown in time is dropped: bringing it forward later
        // would take the foreground from whatever the user chose meanwhile.
        const auto until = Clock::now() + options.shownWait;
        bool shown = false;
        while (newest(generation) && Clock::now() < until) {
            lock.unlock();
            shown = desktop->isVisible(w) && !inFlight(w);
            const bool gone = !desktop->isWindow(w);
            lock.lock();
            if (shown || gone) break;
            work.wait_for(lock, std::chrono::milliseconds(5));
        }
        if (!shown || !newest(generation)) return;
        // Handing the foreground on may wait a long time (for a hung window
        // that has it now); right before each attempt the request must
        // still be the newest and its window shown, or a stale request would
        // take the foreground from the window the user chose meanwhile.
        const auto stillWanted = [this, w, generation] {
            std::unique_lock<std::mutex> guard(mutex);
            if (!newest(generation)) return false;
            guard.unlock();
            return desktop->isVisible(w);
        };
        callUnlocked(lock, slot, [&] { return desktop->setForeground(w, stillWanted); });
    }

    void workerMain(std::list<WorkerSlot>::iterator slot) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (claimed == requested) {
                if (stopping) break;
                // One worker stays; extra ones leave when nothing is left to do.
                if (workers.size() > 1 && idleWorkers > 0) break;
                ++idleWorkers;
                work.wait(lock, [this] { return claimed != requested || stopping; });
                --idleWorkers;
                continue;
            }
            const std::uint64_t generation = claimed = requested;
            const WindowId w = wanted;
            ++running;
            carryOut(lock, *slot, w, generation);
            --running;
            done.notify_all();
        }
        workers.erase(slot);
        done.notify_all();
    }
};

Activator::Activator(std::shared_ptr<Desktop> desktop, std::function<bool(WindowId)> inFlight)
    : Activator(std::move(desktop), std::move(inFlight), Options{}) {}

Activator::Activator(std::shared_ptr<Desktop> desktop, std::function<bool(WindowId)> inFlight, Options options)
    : state_(std::make_shared<State>(std::move(desktop), std::move(inFlight), options)) {}

Activator::~Activator() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->work.notify_all();
    // Workers finish on their own; one stuck on a hung window holds only the
    // shared state.
}

void Activator::activate(WindowId w) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->stopping) return;
    state_->wanted = w;
    ++state_->requested;
    if (state_->idleWorkers > 0)
        state_->work.notify_all();
    else if (state_->workers.empty() || state_->allStuck())
        state_->spawnWorker();
    else
        state_->work.notify_all();  // a busy worker drops its older request and takes this one
}

bool Activator::idle() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->claimed == state_->requested && state_->running == 0;
}

bool Activator::waitIdle(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->done.wait_for(lock, timeout, [this] {
        return (state_->claimed == state_->requested || state_->workers.empty()) && state_->running == 0;
    });
}

}  // namespace zelvane
