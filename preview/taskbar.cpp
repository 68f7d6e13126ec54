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

bool classIs(HWND w, const wchar_t* name) {
    wchar_t cls[64] = {};
    return GetClassNameW(w, cls, 64) > 0 && std::wcscmp(cls, name) == 0;
}

bool isTaskbarClass(HWND w) {
    return classIs(w, L"Shell_TrayWnd") || classIs(w, L"Shell_SecondaryTrayWnd") || classIs(w, L"Button");
}

// The taskbar windows that are visible now. The shell's own classes are
// looked up by name (a few calls), not by reading the class of every window.
std::vector<HWND> visibleTaskbarWindows() {
    std::vector<HWND> found;
    DWORD shellProcess = 0;
    for (const wchar_t* cls : {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"}) {
        for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w && found.size() < 16;
             w = FindWindowExW(nullptr, w, cls, nullptr)) {
            if (!shellProcess) GetWindowThreadProcessId(w, &shellProcess);
            if (IsWindowVisible(w)) found.push_back(w);
        }
    }
    if (!shellProcess) return found;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"Button", nullptr); w && found.size() < 16;
         w = FindWindowExW(nullptr, w, L"Button", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == shellProcess && IsWindowVisible(w)) found.push_back(w);
    }
    return found;
}

void removeRecord(const std::string& path) {
    if (path.empty()) return;
    std::error_code ec;
    std::filesystem::remove(std::filesystem::u8path(path), ec);
}

}  // namespace

void Hider::hide(const std::string& dataDir) {
    if (!windows_.empty()) return;  // already hidden
    std::vector<HWND> found = visibleTaskbarWindows();
    if (found.empty()) return;
    recordPath_ = dataDir.empty() ? std::string() : taskbarRecordPath(dataDir);
    std::vector<std::uintptr_t> ids;
    for (HWND w : found) ids.push_back(reinterpret_cast<std::uintptr_t>(w));
    // Handed to the writer before hiding; it lands on the disk a moment
    // later. The rescue book has them at once, so a crash in that moment
    // shows them again; a record of windows still shown is harmless.
    if (!recordPath_.empty()) record_.write(recordPath_, taskbarRecordText(ids));
    win32::keepHiddenTaskbar(ids);
    for (HWND w : found) ShowWindowAsync(w, SW_HIDE);
    windows_ = std::move(found);
}

void Hider::show() {
    if (windows_.empty()) return;
    for (HWND w : windows_)
        if (IsWindow(w) && isTaskbarClass(w)) ShowWindowAsync(w, SW_SHOWNA);
    windows_.clear();
    win32::keepHiddenTaskbar({});
    if (!recordPath_.empty()) record_.remove(recordPath_);
    recordPath_.clear();
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
