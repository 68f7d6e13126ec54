#include "app/hotkey_registration.h"

#include <algorithm>

#include "app/hotkeys.h"

namespace zelvane {

namespace {

// Registers the bindings (all, or only those in `only`); returns the ids refused.
std::vector<int> registerBindings(HWND window, const Settings& settings, const std::vector<int>* only) {
    std::vector<int> refused;
    if (!settings.useHotkey) return refused;
    for (const HotkeyBinding& b : hotkeyBindings(settings.movKey, settings.movWndKey, settings.keyBind)) {
        if (only && std::find(only->begin(), only->end(), b.id) == only->end()) continue;
        if (!RegisterHotKey(window, b.id, static_cast<UINT>(b.modifiers), b.key)) refused.push_back(b.id);
    }
    return refused;
}

void schedule(HWND window, HotkeyRetry& retry) {
    if (retry.missing.empty() || retry.triesLeft <= 0) {
        KillTimer(window, HotkeyRetry::kTimer);
        retry.missing.clear();
        retry.triesLeft = 0;
        return;
    }
    SetTimer(window, HotkeyRetry::kTimer, HotkeyRetry::kPeriodMs, nullptr);
}

}  // namespace

void registerHotkeys(HWND window, const Settings& settings, HotkeyRetry& retry) {
    retry.missing = registerBindings(window, settings, nullptr);
    retry.triesLeft = HotkeyRetry::kTries;
    schedule(window, retry);
}

void retryHotkeys(HWND window, const Settings& settings, HotkeyRetry& retry) {
    if (!retry.missing.empty() && retry.triesLeft > 0) {
        --retry.triesLeft;
        retry.missing = registerBindings(window, settings, &retry.missing);
    }
    schedule(window, retry);
}

void unregisterHotkeys(HWND window, HotkeyRetry& retry) {
    retry.missing.clear();
    retry.triesLeft = 0;
    KillTimer(window, HotkeyRetry::kTimer);
    UnregisterHotKey(window, kHotkeyPreview);
    for (int id = kHotkeyLeft; id < kHotkeyPreview; ++id) UnregisterHotKey(window, id);
}

}  // namespace zelvane
