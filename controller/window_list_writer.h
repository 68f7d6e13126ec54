#pragma once
// Keeps the window-list file current on a thread of its own, so that a
// switch never waits for the disk (a virus scanner holding the file makes a
// replacement retry for a while).
//
// Only the newest request counts: contents handed over while a write is in
// progress replace any that are still waiting. Called from the UI thread;
// write and remove never block. The destructor finishes the write in
// progress and the newest waiting one.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace zelvane {

class WindowListWriter {
public:
    WindowListWriter() = default;
    ~WindowListWriter();
    WindowListWriter(const WindowListWriter&) = delete;
    WindowListWriter& operator=(const WindowListWriter&) = delete;

    // Replaces the file at path with contents (written aside and renamed over).
    void write(const std::string& path, std::string contents);
    // Deletes the file at path, after any write handed over before.
    void remove(const std::string& path);
    // Waits until every request so far is carried out; false when the time ran out.
    bool flush(std::chrono::milliseconds timeout);

private:
    struct Job {
        std::string path;
        std::optional<std::string> contents;  // empty: delete the file
    };
    void submit(Job job);
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Job> waiting_;
    bool busy_ = false;
    bool stopping_ = false;
    bool failed_ = false;  // no thread could be started: requests are carried out in place
    std::thread thread_;
};

// Removes the temporary files a replacement of path may have left behind
// when the process died between writing and renaming.
void removeStaleTemporaryFiles(const std::string& path);

}  // namespace zelvane
