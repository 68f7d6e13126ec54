#include "app/hotkey_registration.h"

#include "app/hotkeys.h"

namespace zelvane {

void registerHotkeys(HWND window, const WSController& ctrl) {
    if (!ctrl.useHotkey()) return;
    for (const HotkeyBinding& b : hotkeyBindings(ctrl.movKey(), ctrl.movWndKey(), ctrl.keyBind()))
        RegisterHotKey(window, b.id, static_cast<UINT>(b.modifiers), b.key);
}

void unregisterHotkeys(HWND window) {
    UnregisterHotKey(window, kHotkeyPreview);
    for (int id = kHotkeyLeft; id < kHotkeyPreview; ++id) UnregisterHotKey(window, id);
}

}  // namespace zelvane
