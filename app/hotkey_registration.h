#pragma once
#include <windows.h>

#include "controller/wsctrl.h"

namespace zelvane {

// Registers the 27 hotkeys on the window, unless the user turned hotkeys off.
// A chord another program holds already simply stays without effect.
void registerHotkeys(HWND window, const WSController& ctrl);
void unregisterHotkeys(HWND window);

}  // namespace zelvane
