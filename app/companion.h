#pragma once
// The 64-bit companion host (hooklib/companion.h) as Zelvane runs it: started
// from the program's folder with the main window's handle, watched by a
// thread of its own that starts it again when it dies, asked to take its
// hooks out while the preview is open, and stopped cleanly at the end.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/companion_restarts.h"
#include "win32/handles.h"

namespace zelvane {

class Companion {
public:
    // Starts the host at hostPath for mainWnd and watches it. A host that
    // cannot be started leaves Zelvane without it, as without Quillet.dll.
    Companion(HWND mainWnd, std::wstring hostPath);
    // Asks the host to stop and waits for it; one that does not end within
    // a few seconds is ended by force. No host is left behind.
    ~Companion();
    Companion(const Companion&) = delete;
    Companion& operator=(const Companion&) = delete;

    // The preview is open (suspend) or closed again (resume). Passed on to
    // the host without waiting for it; a host started later learns it too.
    void suspend();
    void resume();

private:
    struct Host {
        win32::UniqueKernelHandle process;
        DWORD threadId = 0;
        bool hooked = true;  // what the host was last told (it starts hooked)
    };

    void watch();
    Host launch();
    void tell(Host& host);
    void stopHost(Host& host);

    const HWND mainWnd_;
    const std::wstring hostPath_;
    std::atomic<bool> wantHooks_{true};
    win32::UniqueKernelHandle stop_;  // ends the watch
    win32::UniqueKernelHandle wake_;  // wantHooks_ changed
    CompanionRestarts restarts_;      // the watcher's own
    std::thread watcher_;
};

}  // namespace zelvane
