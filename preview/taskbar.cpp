#include "preview/taskbar.h"

#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/text_file.h"
#include "preview/taskbar_record.h"
#include "win32/crash_rescue.h"

namespace zelvane::taskbar {

namespace {

// What is hidden now, and where that is recorded. One taskbar per desktop,
// so one record per process; only the UI thread touches it.
struct Hidden {
    std::vector<HWND> windows;
    std::string recordPath;
};
Hidden& hidden() {
    static Hidden h;
    return h;
}

bool classIs(HWND w, const wchar_t* name) {
    wchar_t cls[64] = {};
    return GetClassNameW(w, cls, 64) > 0 && std::wcscmp(cls, name) == 0;
}

bool isTaskbarClass(HWND w) {
    return classIs(w, L"Shell_TrayWnd") || classIs(w, L"Shell_SecondaryTrayWnd") || classIs(w, L"Button");
}

struct Search {
    DWORD shellProcess = 0;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND w, LPARAM lp) {
    auto& s = *reinterpret_cast<Search*>(lp);
    if (!IsWindowVisible(w)) return TRUE;
    if (classIs(w, L"Shell_TrayWnd") || classIs(w, L"Shell_SecondaryTrayWnd")) {
        s.found.push_back(w);
    } else if (s.shellProcess && classIs(w, L"Button")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == s.shellProcess) s.found.push_back(w);
    }
    return TRUE;
}

void removeRecord(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path), ec);
}

}  // namespace

void hide(const std::string& dataDir) {
    Hidden& h = hidden();
    if (!h.windows.empty()) return;  // already hidden
    Search s;
    if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowThreadProcessId(tray, &s.shellProcess);
    EnumWindows(collect, reinterpret_cast<LPARAM>(&s));
    if (s.found.empty()) return;
    h.recordPath = dataDir.empty() ? std::string() : taskbarRecordPath(dataDir);
    std::vector<std::uintptr_t> ids;
    for (HWND w : s.found) ids.push_back(reinterpret_cast<std::uintptr_t>(w));
    // Recorded before hiding: a crash in between leaves a record of windows
    // that are still shown, which the next start shows again harmlessly.
    if (!h.recordPath.empty()) replaceFileContents(h.recordPath, taskbarRecordText(ids));
    win32::keepHiddenTaskbar(ids);
    for (HWND w : s.found) ShowWindowAsync(w, SW_HIDE);
    h.windows = std::move(s.found);
}

void show() {
    Hidden& h = hidden();
    for (HWND w : h.windows)
        if (IsWindow(w) && isTaskbarClass(w)) ShowWindowAsync(w, SW_SHOWNA);
    h.windows.clear();
    win32::keepHiddenTaskbar({});
    removeRecord(h.recordPath);
    h.recordPath.clear();
}

void restoreAfterCrash(const std::string& dataDir) {
    if (dataDir.empty()) return;
    const std::string path = taskbarRecordPath(dataDir);
    const auto text = readTextFile(path);
    if (!text) return;
    // Handles are reused: only a hidden window of a taskbar class is shown.
    for (std::uintptr_t id : parseTaskbarRecord(*text)) {
        HWND w = reinterpret_cast<HWND>(id);
        if (IsWindow(w) && !IsWindowVisible(w) && isTaskbarClass(w)) ShowWindowAsync(w, SW_SHOWNA);
    }
    removeRecord(path);
}

}  // namespace zelvane::taskbar
