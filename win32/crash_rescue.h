#pragma once
// Should Zelvane die, the windows whose state it changed (hidden on other
// workspaces, shown off the screen for the preview, moved aside) and the
// taskbar the preview hid are put back before the process goes, or, when it
// is ended outright and no handler of its own runs, by its guard right after.
// What to put back is kept in the rescue book (win32/rescue_book.h), in a
// shared memory section both can read without allocating or locking.
#include <cstdint>
#include <vector>

#include "controller/desktop.h"

namespace zelvane::win32 {

// Sets up the book and installs the handlers (once, at start-up, on the UI
// thread, before any window is touched).
void installCrashRescue();

// Starts the guard (ZelvaneGuard.exe beside the program), which waits for
// this process to end and puts the book back unless it ended cleanly. Once,
// after the single-instance check. False when it could not be started (no
// guard beside the program, no section): the handlers still work.
bool startRescueGuard();
// The section that holds the book (a HANDLE), null when the book could only
// be kept in static storage.
void* rescueSection();

// Replaces the list of windows to put back, and where (UI thread). Windows
// past the book's capacity are left out.
void keepRescueList(const std::vector<RescuePlacement>& list);

// The taskbar windows hidden now, an empty list once they are shown (UI thread).
void keepHiddenTaskbar(const std::vector<std::uintptr_t>& windows);

// Every window has been handed back on the way out: the guard ends without
// doing anything.
void markCleanExit();

// Posts a show for every window of the list and shows the hidden taskbar;
// runs once, whichever handler calls it first. Waits on no other program.
void rescueHiddenWindows();

}  // namespace zelvane::win32
