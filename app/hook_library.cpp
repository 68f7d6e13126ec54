#include "app/hook_library.h"

#include <vector>

#include "app/define.h"
#include "win32/app_instance.h"
#include "win32/text.h"

namespace zelvane {

namespace {

// Older headers lack these; the values are fixed by the system.
constexpr DWORD kSearchApplicationDir = 0x00000200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;        // LOAD_LIBRARY_SEARCH_SYSTEM32

int QUILLET_CALL noMainHwnd(HWND) { return 0; }
int QUILLET_CALL noHookCall() { return 0; }

// GetProcAddress returns one generic function type; the export's real type
// is known from the library's interface. The detour through void(*)() is the
// conversion the compilers accept without a warning.
template <typename Fn>
Fn resolve(HMODULE module, const char* name) {
    using AnyFunction = void (*)();
    return reinterpret_cast<Fn>(reinterpret_cast<AnyFunction>(GetProcAddress(module, name)));
}

}  // namespace

void restrictLibrarySearch() {
    // Present from Windows 8 on (and on 7 with its update); looked up at run
    // time so that the program still starts where it is missing.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (const auto set = resolve<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
            set(kSearchSystem32 | kSearchApplicationDir);
    }
    // Takes the current folder out of the classic search order as well.
    SetDllDirectoryW(L"");
}

HookLibrary::HookLibrary() {
    const std::wstring name = win32::widen(kHookLibraryFile);
    const std::wstring folder = programFolder();
    // Only ever by full path: the system maps this library into every hooked
    // process, so a planted copy must never be the one that is loaded.
    if (!folder.empty()) module_.reset(LoadLibraryW((folder + L"\\" + name).c_str()));
    if (!module_) MessageBoxW(nullptr, L"Quillet.dll is not found.", L"Zelvane", MB_OK);
    if (module_) {
        setMainHwnd_ = resolve<quillet::SetMainHwndFn>(module_.get(), "SetMainHWND");
        isHook_ = resolve<quillet::HookFn>(module_.get(), "IsHook");
        setHook_ = resolve<quillet::HookFn>(module_.get(), "SetHook");
        unsetHook_ = resolve<quillet::HookFn>(module_.get(), "UnsetHook");
    }
    if (!setMainHwnd_ || !isHook_ || !setHook_ || !unsetHook_) {
        MessageBoxW(nullptr, L"failed to load funcs from Quillet.dll.", L"Zelvane", MB_OK);
        useSubstitutes();
        return;
    }
    hookThread_ = std::make_unique<HookThread>();
}

HookLibrary::~HookLibrary() { unbind(); }

void HookLibrary::unbind() {
    if (!module_) return;
    onHookThread(unsetHook_);
    useSubstitutes();
    hookThread_.reset();
}

void HookLibrary::useSubstitutes() {
    setMainHwnd_ = noMainHwnd;
    isHook_ = noHookCall;
    setHook_ = noHookCall;
    unsetHook_ = noHookCall;
    module_.reset();
}

}  // namespace zelvane
