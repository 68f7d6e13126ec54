#pragma once
// Many top-level windows that all belong to one thread of this process, the
// way a browser, an editor or the file manager owns all its windows: one
// host thread creates them and pumps their messages, so every request
// another program makes to any of them queues on that one thread.
//
// Any thread may call open(); it blocks until the host thread has created
// the window (the host thread must be answering). The destructor destroys
// the windows and ends the thread.
#include <windows.h>

#include <string>

#include "kernel_handle.h"

namespace bench {

class SharedThreadHost {
public:
    SharedThreadHost();
    ~SharedThreadHost();
    SharedThreadHost(const SharedThreadHost&) = delete;
    SharedThreadHost& operator=(const SharedThreadHost&) = delete;

    // False when the host thread could not be started.
    bool ok() const { return tid_ != 0; }
    // A visible overlapped window at `rect`, owned by the host thread; null
    // when it could not be created.
    HWND open(const std::wstring& title, const RECT& rect);

private:
    static DWORD WINAPI threadEntry(void* self);
    void threadMain();

    KernelHandle thread_;
    KernelHandle ready_;
    DWORD tid_ = 0;
};

}  // namespace bench
