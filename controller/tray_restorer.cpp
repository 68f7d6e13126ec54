#include "controller/tray_restorer.h"

#include <system_error>
#include <utility>

#include "controller/tray_order.h"

namespace zelvane {

namespace {

const std::vector<WindowId> kNoOrder;

}  // namespace

TrayOrderKeeper::TrayOrderKeeper(Options options) : options_(options) {}

TrayOrderKeeper::~TrayOrderKeeper() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        cancel_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

const std::vector<WindowId>& TrayOrderKeeper::orderOf(int row, int col) const {
    return inWorkspaceTable(row, col) ? order_[row][col] : kNoOrder;
}

const std::vector<WindowId>& TrayOrderKeeper::save(Taskbar* taskbar, int row, int col) {
    if (!inWorkspaceTable(row, col)) return kNoOrder;
    std::vector<WindowId>& stored = order_[row][col];
    if (pending_.load() != 0) {
        cancel();
        return stored;
    }
    if (!taskbar) {
        stored.clear();
        return stored;
    }
    TaskbarRead read = taskbar->readButtons(options_.saveLimits);
    switch (read.status) {
        case TaskbarReadStatus::Done:
            stored = std::move(read.buttons);
            break;
        case TaskbarReadStatus::NoTaskbar:
        case TaskbarReadStatus::NoAccess:
            stored.clear();
            break;
        case TaskbarReadStatus::Unfinished:
            break;  // a partial list would put the buttons back wrongly
    }
    return stored;
}

bool TrayOrderKeeper::restore(std::shared_ptr<Taskbar> taskbar, int row, int col) {
    if (!inWorkspaceTable(row, col)) return false;
    std::unique_lock<std::mutex> guard(lock_);
    if (stopping_) return false;
    // A request still waiting for the worker is replaced: only the newest counts.
    if (!next_) ++pending_;
    next_ = Request{std::move(taskbar), order_[row][col], std::chrono::steady_clock::now()};
    cancel_ = true;  // the request being run, if any, is stale now
    if (!worker_.joinable()) {
        try {
            worker_ = std::thread([this] { workerMain(); });
        } catch (const std::system_error&) {
            next_.reset();
            --pending_;
            guard.unlock();
            idle_.notify_all();
            return false;
        }
    }
    guard.unlock();
    wake_.notify_all();
    return true;
}

void TrayOrderKeeper::cancel() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (next_) {
            next_.reset();
            --pending_;
        }
        cancel_ = true;
    }
    wake_.notify_all();
    idle_.notify_all();
}

bool TrayOrderKeeper::waitIdle(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock_);
    return idle_.wait_for(guard, limit, [this] { return pending_.load() == 0; });
}

void TrayOrderKeeper::workerMain() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || next_.has_value(); });
        if (stopping_) break;
        Request request = std::move(*next_);
        next_.reset();
        cancel_ = false;
        guard.unlock();
        run(request);
        guard.lock();
        --pending_;
        idle_.notify_all();
    }
    // Stopping: a request still waiting is dropped and counted out.
    if (next_) {
        next_.reset();
        --pending_;
    }
    idle_.notify_all();
}

bool TrayOrderKeeper::pause(std::chrono::milliseconds d) {
    std::unique_lock<std::mutex> guard(lock_);
    return !wake_.wait_for(guard, d, [this] { return stopping_ || cancel_.load(); });
}

void TrayOrderKeeper::run(const Request& request) {
    if (request.saved.empty() || !request.taskbar) return;
    const auto giveUpAt = request.requested + options_.giveUpAfter;
    if (!pause(options_.settle)) return;

    TaskbarLimits limits = options_.restoreLimits;
    limits.cancel = &cancel_;
    for (;;) {
        if (calledOff()) return;
        const TaskbarRead read = request.taskbar->readButtons(limits);
        if (read.status == TaskbarReadStatus::NoTaskbar || read.status == TaskbarReadStatus::NoAccess) return;
        // Unfinished (the shell did not answer) or a taskbar that has not yet
        // caught up with the saved windows just shown: try again a little
        // later. (A window that never gets a button and was never saved
        // holds up nothing.) The shell keeps adding and removing buttons
        // while the moves are made, so the order counts as back only when a
        // read finds it so, every group whole.
        if (read.status == TaskbarReadStatus::Done &&
            taskbarHasAll(read.buttons, savedAmong(request.taskbar->windowsWantingButtons(), request.saved))) {
            const TrayReorder plan = planTrayReorder(request.saved, read.buttons);
            // Nothing to move: the order is back, or a group is torn beyond
            // mending (no header left for a button), which no later read
            // mends either; retrying would only keep the next switches from
            // recording their order.
            if (plan.moves.empty()) return;
            std::vector<WindowId> buttons = read.buttons;
            for (std::size_t index : plan.moves) {
                if (calledOff()) return;
                // Refused when the button there is not the one planned for,
                // or another one went to the front (the shell changed its
                // buttons between our check and our move): read again and
                // plan from what the shell has now, mending what was torn.
                if (!request.taskbar->moveButtonToFront(read.toolbar, index, buttons[index], options_.moveTimeout))
                    break;
                moveToFront(buttons, index);
            }
        }
        if (std::chrono::steady_clock::now() + options_.retryEvery >= giveUpAt) return;
        if (!pause(options_.retryEvery)) return;
    }
}

}  // namespace zelvane
