#pragma once
// Should Zelvane die (an access violation anywhere, an error no one catches,
// std::terminate, abort), the windows it hid on other workspaces are shown
// before the process goes: otherwise they would stay hidden until the next
// start. The list of those windows is kept in fixed storage, so the handler
// needs no allocation, no lock and no help from the dying thread.
#include <vector>

#include "controller/desktop.h"

namespace zelvane::win32 {

// Installs the handlers (once, at start-up, on the UI thread).
void installCrashRescue();

// Replaces the list of windows to show, and where (UI thread). Windows past
// the storage's capacity are left out.
void keepRescueList(const std::vector<RescuePlacement>& list);

// Posts a show for every window of the list; runs once, whichever handler
// calls it first. Waits on no other program.
void rescueHiddenWindows();

}  // namespace zelvane::win32
