#pragma once
// The window-list file's text: where the managed windows were when it was
// written, so that a start after a crash can take back the windows left
// hidden, and whose windows they were.
//
// One line of ten comma-separated fields per window (WndInfo::toText), then
// a trailer:
//
//     zelvane-window-list 2
//     session <logon> <boot time> <uptime ms>
//     screen <left> <top> <width> <height>
//     class <handle> <class name>        (one per window)
//
// A reader that knows only the window lines stops at the trailer's first
// line, as at any line it cannot read, after every window line: files of
// either kind restore in either version. The trailer tells a handle of
// another run of the system (a reboot, another logon) from one of ours, and
// a handle reused for a window of another class from the window we hid.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "controller/desktop.h"
#include "controller/wndinfo.h"

namespace zelvane {

struct WindowListFile {
    std::vector<WndInfo> records;  // className filled in where the trailer names it
    bool complete = true;          // false: a damaged window line ended the list
    std::optional<SessionStamp> session;
    std::optional<ScreenMetrics> screen;  // the virtual screen the places were measured on
};

// The managed records of `windows`, and the trailer.
std::string formatWindowList(const std::map<WindowId, WndInfo>& windows, const SessionStamp& session,
                             const ScreenMetrics& screen);
WindowListFile parseWindowList(const std::string& text);

// Whether handles written down in `then` may name the same windows now:
// false after a reboot or in another logon session.
bool sameSystemRun(const SessionStamp& then, const SessionStamp& now);

}  // namespace zelvane
