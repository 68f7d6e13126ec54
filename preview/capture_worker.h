#pragma once
// The capture worker of one window, without the window system: it makes
// the window's picture buffers and captures into them on a thread of its
// own, when asked, and hands each new picture over to the UI thread. The
// Windows side (preview/wndmonitor.*) supplies the buffers and the capture
// itself (PrintWindow, which waits for as long as the window's program does
// not answer).
//
// A worker outlives the preview that started it while a capture is stuck on
// a program that hangs; the next preview takes it over (CaptureWorkers)
// instead of starting another, so such a program costs one thread and one
// pair of pictures however often the preview opens. Any thread may call
// these unless a function says otherwise; none waits for a capture.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace zelvane {

// Starts threads off the UI thread, one after another: under Wine a thread
// start costs milliseconds, and fifty capture workers started by the UI
// thread held up the preview's first frame by a third of a second. It
// never waits for another program, so ending it (joining) is quick.
class ThreadStarter {
public:
    ThreadStarter() = default;
    ~ThreadStarter();
    ThreadStarter(const ThreadStarter&) = delete;
    ThreadStarter& operator=(const ThreadStarter&) = delete;
    // Runs `body` on a detached thread of its own, started soon. False when
    // the starter itself cannot run (the caller then starts it).
    bool start(std::function<void()> body);

private:
    void run();
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stop_ = false;
    std::thread thread_;
};

class CaptureWorker {
public:
    // On the worker, once: makes the two buffers (false: no picture, ever).
    using Prepare = std::function<bool()>;
    // On the worker: captures into buffer 0 or 1; may block for as long as
    // the window's program does not answer. False when the window drew
    // nothing: then that buffer is no picture, and the one before stays.
    using Capture = std::function<bool(int buffer)>;
    // On the worker, after each new picture.
    using Notify = std::function<void()>;

    // `buffers` is what the window system side keeps for the pictures; it
    // lives as long as the worker or a monitor holds it.
    CaptureWorker(Prepare prepare, Capture capture, std::shared_ptr<void> buffers);
    CaptureWorker(const CaptureWorker&) = delete;
    CaptureWorker& operator=(const CaptureWorker&) = delete;

    // The worker's body: run it on a thread of its own, holding a
    // shared_ptr to the worker. Captures at once, then once per request;
    // rests as long as each capture took (a second at most); ends when
    // released and idle.
    static void run(const std::shared_ptr<CaptureWorker>& self);

    // A new picture, please. One that comes in while a capture runs is kept
    // and served right after it.
    void request();
    // Its monitor is gone: it ends once idle (a capture stuck on a hung
    // program first finishes, whenever that program answers).
    void release();
    // A new monitor takes it over; false when it has ended already.
    bool adopt();
    // Told after each new picture (empty: nobody).
    void setNotify(Notify notify);

    // Runs fn(buffer) under the worker's lock with the newest complete
    // picture, so no capture writes it meanwhile; false (fn not run) before
    // the first picture.
    template <typename Fn>
    bool withPicture(Fn fn) {
        std::lock_guard<std::mutex> guard(lock_);
        if (!captured_) return false;
        fn(current_);
        return true;
    }
    // Whether a picture came in since the last call.
    bool takeFresh();
    // Whether it still runs (or has yet to start).
    bool alive();
    const std::shared_ptr<void>& buffers() const { return buffers_; }

private:
    // Leaves the loop, unless a monitor took the worker over meanwhile.
    bool leave();

    Prepare prepare_;
    Capture capture_;
    const std::shared_ptr<void> buffers_;
    std::mutex lock_;
    std::condition_variable wake_;
    Notify notify_;
    bool requested_ = false;
    bool stop_ = false;
    bool exited_ = false;
    bool captured_ = false;  // a first picture is in current_
    bool fresh_ = false;
    int current_ = 0;
};

// The workers by window, so the next preview takes over a worker that is
// still running. UI thread only.
class CaptureWorkers {
public:
    using Key = std::uintptr_t;
    // The running worker of `window`, taken over; null when it has none.
    std::shared_ptr<CaptureWorker> adopt(Key window);
    void add(Key window, const std::shared_ptr<CaptureWorker>& worker);
    // Workers still running, from this preview or an earlier one.
    std::size_t alive();

private:
    std::map<Key, std::weak_ptr<CaptureWorker>> workers_;
};

}  // namespace zelvane
