#pragma once
// The shell's taskbar windows, hidden during the full preview and shown
// again on every way out. Nothing here waits for the shell: windows are
// hidden and shown with ShowWindowAsync. The hidden windows are also written
// to the data folder, so a start after a crash during a preview shows them
// again. UI thread only.
#include <string>

namespace zelvane::taskbar {

// Hides the taskbar windows that are visible now: every "Shell_TrayWnd" and
// "Shell_SecondaryTrayWnd", and top-level "Button" windows of the shell's own
// process (the start button), never another program's button.
void hide(const std::string& dataDir);
// Shows what hide() hid, once; does nothing when nothing is hidden.
void show();
// At start-up: shows the windows a previous run hid and never showed again.
void restoreAfterCrash(const std::string& dataDir);

}  // namespace zelvane::taskbar
