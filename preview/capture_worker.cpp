#include "preview/capture_worker.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace zelvane {

ThreadStarter::~ThreadStarter() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ThreadStarter::start(std::function<void()> body) {
    std::lock_guard<std::mutex> guard(lock_);
    if (stop_) return false;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (...) {
            return false;
        }
    }
    queue_.push_back(std::move(body));
    wake_.notify_all();
    return true;
}

void ThreadStarter::run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        std::function<void()> body = std::move(queue_.front());
        queue_.pop_front();
        guard.unlock();
        try {
            std::thread(std::move(body)).detach();
        } catch (...) {
            // No thread: that window gets no picture.
        }
        guard.lock();
    }
}

CaptureWorker::CaptureWorker(Prepare prepare, Capture capture, std::shared_ptr<void> buffers)
    : prepare_(std::move(prepare)), capture_(std::move(capture)), buffers_(std::move(buffers)) {}

bool CaptureWorker::leave() {
    if (!stop_) return false;
    exited_ = true;
    return true;
}

void CaptureWorker::run(const std::shared_ptr<CaptureWorker>& self) {
    CaptureWorker& w = *self;
    using Clock = std::chrono::steady_clock;
    bool prepared = false;
    try {
        prepared = w.prepare_();
    } catch (...) {
    }
    if (!prepared) {
        std::lock_guard<std::mutex> guard(w.lock_);
        w.exited_ = true;  // no picture, ever
        return;
    }
    for (;;) {
        int next;
        {
            std::lock_guard<std::mutex> guard(w.lock_);
            if (w.leave()) return;
            next = 1 - w.current_;
        }
        const auto started = Clock::now();
        bool drawn = false;
        try {
            drawn = w.capture_(next);
        } catch (...) {
            // Nothing may leave the worker; no picture this time.
        }
        const auto took = Clock::now() - started;
        Notify notify;
        if (drawn) {
            std::lock_guard<std::mutex> guard(w.lock_);
            w.current_ = next;
            w.captured_ = true;
            w.fresh_ = true;
            notify = w.notify_;
        }
        if (notify) notify();
        std::unique_lock<std::mutex> guard(w.lock_);
        // Rest as long as the capture took: a slow window costs at most
        // about half a processor, however often pictures are asked for. At
        // most a second: a capture that took long because its program hung
        // cost no processor.
        if (w.wake_.wait_for(guard, std::min<Clock::duration>(took, std::chrono::seconds(1)), [&] { return w.stop_; }) &&
            w.leave())
            return;
        w.wake_.wait(guard, [&] { return w.requested_ || w.stop_; });
        if (w.leave()) return;
        w.requested_ = false;
    }
}

void CaptureWorker::request() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        requested_ = true;
    }
    wake_.notify_all();
}

void CaptureWorker::release() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        notify_ = nullptr;  // nothing more to tell once the preview is gone
    }
    wake_.notify_all();
}

bool CaptureWorker::adopt() {
    std::lock_guard<std::mutex> guard(lock_);
    if (exited_) return false;
    stop_ = false;
    fresh_ = captured_;  // its last picture is there to draw
    return true;
}

void CaptureWorker::setNotify(Notify notify) {
    std::lock_guard<std::mutex> guard(lock_);
    notify_ = std::move(notify);
}

bool CaptureWorker::takeFresh() {
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(fresh_, false);
}

bool CaptureWorker::alive() {
    std::lock_guard<std::mutex> guard(lock_);
    return !exited_;
}

std::shared_ptr<CaptureWorker> CaptureWorkers::adopt(Key window) {
    const auto it = workers_.find(window);
    if (it == workers_.end()) return nullptr;
    std::shared_ptr<CaptureWorker> w = it->second.lock();
    if (!w || !w->adopt()) {
        workers_.erase(it);
        return nullptr;
    }
    return w;
}

void CaptureWorkers::add(Key window, const std::shared_ptr<CaptureWorker>& worker) {
    for (auto it = workers_.begin(); it != workers_.end();) it = it->second.expired() ? workers_.erase(it) : ++it;
    workers_[window] = worker;
}

std::size_t CaptureWorkers::alive() {
    std::size_t n = 0;
    for (const auto& [window, weak] : workers_)
        if (const auto w = weak.lock(); w && w->alive()) ++n;
    return n;
}

}  // namespace zelvane
