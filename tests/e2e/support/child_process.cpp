#include "child_process.h"

#include <string>

namespace e2e {

WatchedProcess::WatchedProcess(DWORD pid)
    : pid_(pid),
      handle_(pid ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid)
                  : nullptr) {}

WatchedProcess::~WatchedProcess() {
    if (handle_) CloseHandle(handle_);
}

bool WatchedProcess::running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool WatchedProcess::waitExit(Millis timeout, DWORD* exitCode) const {
    if (!handle_ || WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(handle_, exitCode);
    return true;
}

bool WatchedProcess::kill() const {
    return handle_ && TerminateProcess(handle_, 9) && WaitForSingleObject(handle_, 30000) == WAIT_OBJECT_0;
}

bool taskkill(DWORD pid) {
    std::wstring cmd = L"taskkill.exe /F /PID " + std::to_wstring(pid);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    DWORD code = 1;
    const bool ended = WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return ended && code == 0;
}

}  // namespace e2e
