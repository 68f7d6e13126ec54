#pragma once
// The thread that sets and removes Zelvane's own hooks. On 64-bit Windows,
// Windows runs a 32-bit hook library's procedures for every 64-bit program
// on the thread that set the hooks, and that program's mouse waits for it.
// So that thread is not the UI thread, whatever the UI thread is busy with:
// it is this one, which does nothing but take messages.
#include <windows.h>

#include <thread>

#include "hooklib/quillet.h"

namespace zelvane {

class HookThread {
public:
    // Starts the thread and waits until it takes messages.
    HookThread();
    // Ends the thread (the hooks must have been removed first).
    ~HookThread();
    HookThread(const HookThread&) = delete;
    HookThread& operator=(const HookThread&) = delete;

    // Calls fn on the thread and returns its result. The caller waits, and
    // meanwhile answers only messages sent to its own windows (a failing
    // call shows its message box from the hook thread). Without a running
    // thread fn is called right here.
    int run(quillet::HookFn fn);

private:
    void serve(HANDLE ready);

    std::thread thread_;
    HWND window_ = nullptr;  // the thread's message-only window
};

}  // namespace zelvane
