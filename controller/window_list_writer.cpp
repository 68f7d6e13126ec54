#include "controller/window_list_writer.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "config/text_file.h"

namespace zelvane {

namespace {

namespace fs = std::filesystem;

void carryOut(const std::string& path, const std::optional<std::string>& contents) {
    if (contents) {
        replaceFileContents(path, *contents);
    } else {
        std::error_code ec;
        fs::remove(fs::u8path(path), ec);
    }
}

}  // namespace

WindowListWriter::~WindowListWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

void WindowListWriter::write(const std::string& path, std::string contents) {
    submit(Job{path, std::move(contents)});
}

void WindowListWriter::remove(const std::string& path) { submit(Job{path, std::nullopt}); }

void WindowListWriter::submit(Job job) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!thread_.joinable() && !failed_) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            failed_ = true;
        }
    }
    if (failed_) {
        // Without a thread of its own the file is still kept current, at the
        // cost of a wait for the disk.
        lock.unlock();
        carryOut(job.path, job.contents);
        return;
    }
    waiting_ = std::move(job);
    changed_.notify_all();
}

bool WindowListWriter::flush(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !waiting_ && !busy_; });
}

void WindowListWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return waiting_ || stopping_; });
        if (!waiting_) return;  // stopping with nothing left to write
        const Job job = std::move(*waiting_);
        waiting_.reset();
        busy_ = true;
        lock.unlock();
        carryOut(job.path, job.contents);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

void removeStaleTemporaryFiles(const std::string& path) {
    std::error_code ec;
    const fs::path target = fs::u8path(path);
    const std::string prefix = target.filename().u8string() + ".tmp-";
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().u8string();
        if (name.compare(0, prefix.size(), prefix) == 0 && it->is_regular_file(ec)) fs::remove(it->path(), ec);
    }
}

}  // namespace zelvane
