#include "app/mouse_hooks.h"

#include <string>

#include "app/companion.h"
#include "app/hook_library.h"
#include "win32/app_instance.h"
#include "hooklib/companion.h"

namespace zelvane {

namespace {

// A 32-bit Zelvane on 64-bit Windows. IsWow64Process is looked up at run
// time: systems older than it are all 32-bit.
bool underWow64() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto isWow64 = kernel ? reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void (*)()>(
                                      GetProcAddress(kernel, "IsWow64Process")))
                                : nullptr;
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

bool companionInsteadOfOwnHooks() {
    wchar_t value[8];
    const DWORD n = GetEnvironmentVariableW(L"ZELVANE_TEST_COMPANION", value, 8);
    return n == 1 && value[0] == L'1';
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

MouseHooks::MouseHooks(HWND mainWnd) {
    const bool companionOnly = companionInsteadOfOwnHooks();
    if (!companionOnly) {
        own_ = std::make_unique<HookLibrary>();
        if (own_->setMainHWND(mainWnd)) own_->setHook();
    }
    if (!companionOnly && !underWow64()) return;
    const std::wstring host = programFolder() + L"\\" + quillet::companion::kHostFile;
    if (!fileExists(host)) {
        MessageBoxW(nullptr, (std::wstring(quillet::companion::kHostFile) + L" is not found.").c_str(), L"Zelvane",
                    MB_OK);
        return;
    }
    companion_ = std::make_unique<Companion>(mainWnd, host);
}

MouseHooks::~MouseHooks() { stop(); }

void MouseHooks::suspend() {
    if (own_) own_->unsetHook();
    if (companion_) companion_->suspend();
}

void MouseHooks::resume() {
    if (own_) own_->setHook();
    if (companion_) companion_->resume();
}

void MouseHooks::stop() {
    if (own_) own_->unbind();
    companion_.reset();
}

}  // namespace zelvane
