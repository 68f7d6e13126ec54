#pragma once
// Starts the test-only stand-in taskbar (taskbar_stand_in.exe, beside the
// test program) and drives it: its button order, making it hang or answer
// slowly. Ended when the object goes.
#include <windows.h>

#include <string>
#include <vector>

#include "poll.h"

namespace e2e {

class StandInTaskbar {
public:
    StandInTaskbar() = default;
    ~StandInTaskbar() { stop(); }
    StandInTaskbar(const StandInTaskbar&) = delete;
    StandInTaskbar& operator=(const StandInTaskbar&) = delete;

    // Starts it (with group headers when `groups`) and waits for its toolbar.
    bool start(bool groups);
    void stop();
    const std::wstring& error() const { return error_; }

    // The window behind each button (0 for a header), after it has taken in
    // the current windows. Empty when it does not answer within `wait`.
    std::vector<HWND> order(Millis wait = 2s) const;
    // Only the windows, in button order, of those in `among`.
    std::vector<HWND> orderOf(const std::vector<HWND>& among) const;
    // Moves the button (and group) of w to the front, as a user would.
    bool toFront(HWND w) const;
    // Changes its buttons right before each of the next `moves` moves
    // another program asks for (its first group goes to the end).
    bool churnBefore(int moves) const;
    // Stops answering for `ms` milliseconds, from now.
    bool hangFor(DWORD ms) const;
    bool answers(Millis wait = 200ms) const;
    HWND tray() const { return tray_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND tray_ = nullptr;
    std::wstring error_;
};

// Prints a window list as the titles of its windows, for failure messages.
std::string describeWindows(const std::vector<HWND>& windows);

}  // namespace e2e
