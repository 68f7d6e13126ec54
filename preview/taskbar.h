#pragma once
// The shell's taskbar windows, hidden during the full preview and shown
// again on every way out. Nothing here waits for the shell: windows are
// hidden and shown with ShowWindowAsync. The hidden windows are also
// recorded in the data folder, so a start after a crash during a preview
// shows them again; the record is written and removed on a thread of its
// own, so the preview never waits for the disk. UI thread only.
#include <windows.h>

#include <string>
#include <vector>

#include "controller/window_list_writer.h"

namespace zelvane::taskbar {

class Hider {
public:
    Hider() = default;
    // Finishes writing or removing the record.
    ~Hider() = default;
    Hider(const Hider&) = delete;
    Hider& operator=(const Hider&) = delete;

    // Hides the taskbar windows that are visible now: every "Shell_TrayWnd"
    // and "Shell_SecondaryTrayWnd", and top-level "Button" windows of the
    // shell's own process (the start button), never another program's
    // button. Does nothing while they are hidden already.
    void hide(const std::string& dataDir);
    // Shows what hide() hid, once; does nothing when nothing is hidden.
    void show();

private:
    std::vector<HWND> windows_;
    std::string recordPath_;
    // Latest wins: the record of a hide is dropped unwritten when the show
    // that removes it comes first.
    WindowListWriter record_;
};

// At start-up: shows the windows a previous run hid and never showed again.
void restoreAfterCrash(const std::string& dataDir);

}  // namespace zelvane::taskbar
