#pragma once
// Zelvane's binding of the hook library Quillet.dll.
#include <windows.h>

#include <memory>
#include <string>

#include "app/hook_thread.h"
#include "hooklib/quillet.h"
#include "win32/handles.h"

namespace zelvane {

// Limits where the process looks for libraries it loads by name (and for
// the libraries those depend on) to the system folder and the program's own
// folder: a DLL dropped into the current folder or onto the search path is
// never picked up. Called first thing at entry.
void restrictLibrarySearch();

class HookLibrary {
public:
    // Loads Quillet.dll from the program's folder and resolves its exports.
    // A library that is missing or lacks an export is reported in message
    // boxes; every call then goes to a substitute that does nothing and
    // returns 0. The hooks are set and removed on a thread of their own
    // (app/hook_thread.h).
    HookLibrary();
    // Takes the hooks out and frees the library, if not done already.
    ~HookLibrary();
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    bool usable() const { return static_cast<bool>(module_); }

    int setMainHWND(HWND mainWnd) { return setMainHwnd_(mainWnd); }
    int isHook() { return isHook_(); }
    int setHook() { return onHookThread(setHook_); }
    int unsetHook() { return onHookThread(unsetHook_); }

    // UnsetHook, then frees the library; later calls go to the substitutes.
    void unbind();

private:
    void useSubstitutes();
    int onHookThread(quillet::HookFn fn) { return hookThread_ ? hookThread_->run(fn) : fn(); }

    std::unique_ptr<HookThread> hookThread_;  // while the library is loaded
    win32::UniqueModule module_;
    quillet::SetMainHwndFn setMainHwnd_ = nullptr;
    quillet::HookFn isHook_ = nullptr;
    quillet::HookFn setHook_ = nullptr;
    quillet::HookFn unsetHook_ = nullptr;
};

}  // namespace zelvane
