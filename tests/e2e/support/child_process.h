#pragma once
// Processes besides Zelvane that a test watches or ends: the guard Zelvane
// starts (a child of its process), and Windows' taskkill, which ends a
// process outright as Task Manager's End task does.
#include <windows.h>

#include <vector>

#include "poll.h"
#include "processes.h"

namespace e2e {

constexpr wchar_t kGuardExe[] = L"ZelvaneGuard.exe";

// A process the test did not start, held open by id so that its end and
// exit code can be read after it has gone.
class WatchedProcess {
public:
    explicit WatchedProcess(DWORD pid);
    ~WatchedProcess();
    WatchedProcess(const WatchedProcess&) = delete;
    WatchedProcess& operator=(const WatchedProcess&) = delete;

    bool ok() const { return handle_ != nullptr; }
    DWORD pid() const { return pid_; }
    bool running() const;
    // Waits for its end; its exit code, when it ended within the time.
    bool waitExit(Millis timeout, DWORD* exitCode = nullptr) const;
    // Ends it at once, as a crash would, and waits for it.
    bool kill() const;

private:
    DWORD pid_;
    HANDLE handle_ = nullptr;
};

// Runs "taskkill /F /PID pid" and waits for taskkill; true when it reported
// success.
bool taskkill(DWORD pid);

}  // namespace e2e
