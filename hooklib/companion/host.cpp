// Quillet64Host.exe: sets the hooks of Quillet64.dll system-wide for
// Zelvane's main window, named on the command line, and keeps them until
// Zelvane asks it to stop or Zelvane's process ends.
//
// Its one thread does nothing but wait and take messages: Windows runs the
// 64-bit hook on this thread for every 32-bit program (the library passes
// those calls on, see quillet.cpp), so it must never be busy.
#include <windows.h>

#include "hooklib/companion.h"
#include "hooklib/quillet.h"

namespace {

namespace companion = quillet::companion;

// Older headers lack these; the values are fixed by the system.
constexpr DWORD kSearchApplicationDir = 0x00000200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;        // LOAD_LIBRARY_SEARCH_SYSTEM32

template <typename Fn>
Fn resolve(HMODULE module, const char* name) {
    using AnyFunction = void (*)();
    return reinterpret_cast<Fn>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

// As Zelvane does: libraries come from the system folder and this program's
// folder only, never from the current folder or the search path.
void restrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (const auto set = resolve<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
            set(kSearchSystem32 | kSearchApplicationDir);
    }
    SetDllDirectoryW(L"");
}

// The last argument of the command line, read as a decimal window handle.
HWND windowFromCommandLine() {
    const wchar_t* line = GetCommandLineW();
    const wchar_t* last = nullptr;
    bool quoted = false;
    for (const wchar_t* p = line; *p; ++p) {
        if (*p == L'"') quoted = !quoted;
        if (!quoted && *p != L' ' && *p != L'\t' && (p == line || p[-1] == L' ' || p[-1] == L'\t')) last = p;
    }
    if (!last || last == line) return nullptr;
    unsigned long long value = 0;
    for (const wchar_t* p = last; *p && *p != L' ' && *p != L'\t'; ++p) {
        if (*p < L'0' || *p > L'9' || value > 0xFFFFFFFFull) return nullptr;
        value = value * 10 + static_cast<unsigned>(*p - L'0');
    }
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

bool isZelvaneMainWindow(HWND window) {
    wchar_t name[64];
    return window && IsWindow(window) && GetClassNameW(window, name, 64) > 0 &&
           lstrcmpW(name, companion::kMainClass) == 0;
}

// The full path of a file beside this program.
bool besideThisProgram(const wchar_t* file, wchar_t* out, DWORD size) {
    const DWORD n = GetModuleFileNameW(nullptr, out, size);
    if (n == 0 || n >= size) return false;
    DWORD slash = n;
    while (slash > 0 && out[slash - 1] != L'\\' && out[slash - 1] != L'/') --slash;
    if (slash == 0 || slash + static_cast<DWORD>(lstrlenW(file)) >= size) return false;
    lstrcpyW(out + slash, file);
    return true;
}

struct Library {
    HMODULE module = nullptr;
    quillet::SetMainHwndFn setMainHwnd = nullptr;
    quillet::HookFn setHook = nullptr;
    quillet::HookFn unsetHook = nullptr;
};

// Loads the library by full path (the system maps it into every 64-bit
// program, so a planted copy must never be the one loaded) and resolves its
// exports; says what went wrong as Zelvane does for Quillet.dll.
bool load(Library& lib) {
    wchar_t path[MAX_PATH * 2];
    if (besideThisProgram(companion::kLibraryFile, path, MAX_PATH * 2)) lib.module = LoadLibraryW(path);
    if (!lib.module) {
        MessageBoxW(nullptr, L"Quillet64.dll is not found.", L"Zelvane", MB_OK);
        return false;
    }
    lib.setMainHwnd = resolve<quillet::SetMainHwndFn>(lib.module, "SetMainHWND");
    lib.setHook = resolve<quillet::HookFn>(lib.module, "SetHook");
    lib.unsetHook = resolve<quillet::HookFn>(lib.module, "UnsetHook");
    if (lib.setMainHwnd && lib.setHook && lib.unsetHook) return true;
    MessageBoxW(nullptr, L"failed to load funcs from Quillet64.dll.", L"Zelvane", MB_OK);
    return false;
}

// Takes messages until Zelvane asks to stop or its process ends (kExitDone),
// or a quit message comes (its code). Any other message is dispatched, which
// is what lets Windows run the hook calls that wait for this thread.
DWORD serve(const Library& lib, HANDLE zelvane) {
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<DWORD>(msg.wParam);
            if (msg.hwnd == nullptr && msg.message == companion::kMsgStop) return companion::kExitDone;
            if (msg.hwnd == nullptr && msg.message == companion::kMsgSuspend) {
                lib.unsetHook();
                continue;
            }
            if (msg.hwnd == nullptr && msg.message == companion::kMsgResume) {
                lib.setHook();
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD woke = MsgWaitForMultipleObjects(1, &zelvane, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return companion::kExitDone;
    }
}

DWORD run() {
    restrictLibrarySearch();
    // The thread's message queue exists from here on, so Zelvane's messages
    // are kept even before the hooks are set.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

    const HWND main = windowFromCommandLine();
    if (!isZelvaneMainWindow(main)) return companion::kExitBadArguments;
    DWORD zelvanePid = 0;
    GetWindowThreadProcessId(main, &zelvanePid);
    const HANDLE zelvane = OpenProcess(SYNCHRONIZE, FALSE, zelvanePid);
    if (!zelvane) return companion::kExitBadArguments;

    Library lib;
    DWORD code = companion::kExitNoLibrary;  // load() has said why
    if (load(lib)) {
        if (lib.setMainHwnd(main) && lib.setHook()) {
            code = serve(lib, zelvane);
            lib.unsetHook();
        } else {
            code = companion::kExitHookFailed;  // SetHook has shown why
        }
    }
    if (lib.module) FreeLibrary(lib.module);
    CloseHandle(zelvane);
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return static_cast<int>(run()); }
