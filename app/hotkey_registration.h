#pragma once
#include <windows.h>

#include <vector>

#include "config/settings.h"

namespace zelvane {

// The hotkeys whose chord was taken when they were registered, tried again
// by a timer on the main window: a chord held only for a moment (another
// program probing it, an instance still exiting) must not leave the
// keyboard dead until the next start. A chord held for good stays without
// effect once the tries are used up.
struct HotkeyRetry {
    static constexpr UINT_PTR kTimer = 0x4B59;
    static constexpr UINT kPeriodMs = 250;
    static constexpr int kTries = 40;  // 10 s
    std::vector<int> missing;
    int triesLeft = 0;
};

// Registers the 27 hotkeys on the window, unless the user turned hotkeys off;
// the ones that could not be registered are tried again later (retryHotkeys).
void registerHotkeys(HWND window, const Settings& settings, HotkeyRetry& retry);
// The retry timer fired: registers what is still missing.
void retryHotkeys(HWND window, const Settings& settings, HotkeyRetry& retry);
// Unregisters them all and calls off the retries.
void unregisterHotkeys(HWND window, HotkeyRetry& retry);

}  // namespace zelvane
