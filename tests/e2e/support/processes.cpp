#include "processes.h"

#include <tlhelp32.h>

#include "poll.h"
#include "zelvane_process.h"

namespace e2e {

namespace {

class Snapshot {
public:
    Snapshot(DWORD flags, DWORD pid) : h_(CreateToolhelp32Snapshot(flags, pid)) {}
    ~Snapshot() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    HANDLE get() const { return h_; }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

// Ids of the running processes with this file name and, unless parentPid
// is 0, this parent.
std::vector<DWORD> processesOf(const wchar_t* exeName, DWORD parentPid) {
    std::vector<DWORD> found;
    Snapshot snap(TH32CS_SNAPPROCESS, 0);
    if (!snap.ok()) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snap.get(), &entry); more; more = Process32NextW(snap.get(), &entry))
        if ((parentPid == 0 || entry.th32ParentProcessID == parentPid) && lstrcmpiW(entry.szExeFile, exeName) == 0)
            found.push_back(entry.th32ProcessID);
    return found;
}

}  // namespace

std::wstring besideThisProgram(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, n);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + name;
}

std::vector<DWORD> processesNamed(const std::wstring& exeName) { return processesOf(exeName.c_str(), 0); }

std::vector<DWORD> childProcesses(DWORD parentPid, const wchar_t* exeName) {
    return parentPid ? processesOf(exeName, parentPid) : std::vector<DWORD>{};
}

int threadCount(DWORD pid) {
    Snapshot snap(TH32CS_SNAPTHREAD, 0);
    if (!snap.ok()) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = Thread32First(snap.get(), &entry); more; more = Thread32Next(snap.get(), &entry))
        if (entry.th32OwnerProcessID == pid) ++n;
    return n;
}

DWORD firstThreadOf(DWORD pid) {
    Snapshot snap(TH32CS_SNAPTHREAD, 0);
    if (!snap.ok()) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snap.get(), &entry); more; more = Thread32Next(snap.get(), &entry))
        if (entry.th32OwnerProcessID == pid) return entry.th32ThreadID;
    return 0;
}

bool processHasModule(DWORD pid, const std::wstring& moduleName) {
    Snapshot snap(TH32CS_SNAPMODULE, pid);
    if (!snap.ok()) return false;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snap.get(), &entry); more; more = Module32NextW(snap.get(), &entry))
        if (lstrcmpiW(entry.szModule, moduleName.c_str()) == 0) return true;
    return false;
}

OtherProgram::~OtherProgram() {
    if (!process_) return;
    if (window_ && IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

bool OtherProgram::start(const std::wstring& commandLine, const wchar_t* windowClass) {
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = "cannot start " + narrow(commandLine) + ", error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    pollUntil([&] {
        for (HWND w : topLevelWindows(pid_, windowClass))
            if (IsWindowVisible(w)) window_ = w;
        return window_ != nullptr;
    }, 60s);
    if (!window_) error_ = narrow(commandLine) + " showed no " + narrow(windowClass) + " window";
    return window_ != nullptr;
}

}  // namespace e2e
