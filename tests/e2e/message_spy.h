#pragma once
// The test side of zelvane_spy.dll: watches what Zelvane's main window takes
// from its queue (see message_spy_dll.cpp).
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "message_spy_log.h"
#include "poll.h"

namespace e2e {

struct SpiedMessage {
    UINT message;
    unsigned wParam;
    double atMs;  // on the clock of nowMs()
};

class MessageSpy {
public:
    MessageSpy() = default;
    ~MessageSpy();
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;

    // Loads the spy beside the test program and hooks the main window's
    // thread; the log starts empty.
    bool attach(HWND mainWindow);
    const std::string& error() const { return error_; }

    // A position in the log: the messages after it are those taken later.
    std::size_t mark() const;
    std::vector<SpiedMessage> since(std::size_t mark) const;
    std::size_t count(UINT message, unsigned wParam, std::size_t from) const;
    bool waitFor(UINT message, unsigned wParam, std::size_t from, Millis timeout = kSettle) const;

    // Returns once the main window has handled everything posted to it
    // before this call, and whatever it posted to itself while doing so.
    bool drain(Millis timeout = kSettle);

    // Makes the spied program crash: an access violation on a new thread of
    // its own.
    bool crashTarget();

private:
    HMODULE module_ = nullptr;
    HWND target_ = nullptr;
    const spy::Log* log_ = nullptr;
    void (*remove_)() = nullptr;
    unsigned markers_ = 0;
    std::string error_;
};

}  // namespace e2e
