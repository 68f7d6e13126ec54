#include "stand_in_taskbar.h"

#include <algorithm>

#include "../taskbar_stand_in/stand_in_protocol.h"
#include "processes.h"

namespace e2e {

namespace {

struct TrayQuery {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findTray(HWND w, LPARAM lp) {
    auto* q = reinterpret_cast<TrayQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (pid != q->pid || lstrcmpW(cls, L"Shell_TrayWnd") != 0) return TRUE;
    q->found = w;
    return FALSE;
}

bool send(HWND tray, UINT msg, WPARAM wp, LRESULT* result, Millis wait) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(tray, msg, wp, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(wait.count()), &r)) return false;
    *result = static_cast<LRESULT>(r);
    return true;
}

}  // namespace

bool StandInTaskbar::start(bool groups) {
    std::wstring cmd = L"\"" + besideThisProgram(standin::kProgram) + L"\"";
    if (groups) cmd += std::wstring(L" ") + standin::kGroupsFlag;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = L"cannot start " + cmd;
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    TrayQuery q{pid_, nullptr};
    const bool up = pollUntil([&] {
        q.found = nullptr;
        EnumWindows(findTray, reinterpret_cast<LPARAM>(&q));
        tray_ = q.found;
        return tray_ != nullptr && answers();
    }, 20s);
    if (!up) error_ = L"the stand-in taskbar did not come up";
    return up;
}

void StandInTaskbar::stop() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    process_ = nullptr;
    tray_ = nullptr;
}

std::vector<HWND> StandInTaskbar::order(Millis wait) const {
    LRESULT n = 0;
    if (!send(tray_, standin::kRefresh, 0, &n, wait)) return {};
    std::vector<HWND> out;
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT w = 0;
        if (!send(tray_, standin::kButtonWindow, static_cast<WPARAM>(i), &w, wait) || w == -1) return {};
        out.push_back(reinterpret_cast<HWND>(w));
    }
    return out;
}

std::vector<HWND> StandInTaskbar::orderOf(const std::vector<HWND>& among) const {
    std::vector<HWND> out;
    for (HWND w : order())
        if (std::find(among.begin(), among.end(), w) != among.end()) out.push_back(w);
    return out;
}

bool StandInTaskbar::toFront(HWND w) const {
    LRESULT r = 0;
    return send(tray_, standin::kToFront, reinterpret_cast<WPARAM>(w), &r, 2s) && r != 0;
}

bool StandInTaskbar::hangFor(DWORD ms) const {
    if (!PostMessageW(tray_, standin::kHang, ms, 0)) return false;
    // Returns once the hang has begun.
    return pollUntil([this] { return !answers(50ms); }, 5s);
}

bool StandInTaskbar::churnBefore(int moves) const {
    if (!PostMessageW(tray_, standin::kChurn, static_cast<WPARAM>(moves), 0)) return false;
    return answers(2s);  // taken in
}

bool StandInTaskbar::answers(Millis wait) const {
    DWORD_PTR r = 0;
    return tray_ && SendMessageTimeoutW(tray_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(wait.count()), &r);
}

std::string describeWindows(const std::vector<HWND>& windows) {
    std::string out = "[";
    for (HWND w : windows) {
        if (out.size() > 1) out += ", ";
        if (!w) {
            out += "header";
            continue;
        }
        char title[64] = {};
        GetWindowTextA(w, title, 64);
        out += title[0] ? title : "?";
    }
    return out + "]";
}

}  // namespace e2e
