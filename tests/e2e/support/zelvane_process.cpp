#include "zelvane_process.h"

#include <atomic>
#include <cwctype>

namespace e2e {
namespace {

std::wstring gExecutable;
std::atomic<int> gHomeCounter{0};

struct EnumQuery {
    DWORD pid;
    const wchar_t* className;
    const wchar_t* title;
    std::vector<HWND>* out;
};

BOOL CALLBACK collectTopLevel(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<EnumQuery*>(lp);
    if (q->pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid != q->pid) return TRUE;
    }
    if (q->className) {
        wchar_t cls[256];
        if (!GetClassNameW(hwnd, cls, 256) || lstrcmpW(cls, q->className) != 0) return TRUE;
    }
    if (q->title) {
        wchar_t text[256];
        GetWindowTextW(hwnd, text, 256);
        if (lstrcmpW(text, q->title) != 0) return TRUE;
    }
    q->out->push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK collectStaticText(HWND child, LPARAM lp) {
    wchar_t cls[64];
    if (GetClassNameW(child, cls, 64) && lstrcmpiW(cls, L"Static") == 0) {
        wchar_t text[1024];
        int n = GetWindowTextW(child, text, 1024);
        if (n > 0) {
            auto* out = reinterpret_cast<std::wstring*>(lp);
            if (!out->empty()) *out += L"\n";
            out->append(text, n);
        }
    }
    return TRUE;
}

bool startsWithNoCase(const std::wstring& s, const std::wstring& prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::towlower(s[i]) != std::towlower(prefix[i])) return false;
    return true;
}

// The current environment with HomeDRIVE and HomePATH replaced and the
// extra entries added; a CREATE_UNICODE_ENVIRONMENT block.
std::wstring environmentWithHome(const std::wstring& homePath, const std::vector<std::wstring>& extra) {
    std::wstring block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += lstrlenW(p) + 1) {
        std::wstring entry(p);
        if (startsWithNoCase(entry, L"HOMEDRIVE=") || startsWithNoCase(entry, L"HOMEPATH=")) continue;
        bool replaced = false;
        for (const std::wstring& e : extra)
            if (startsWithNoCase(entry, e.substr(0, e.find(L'=') + 1))) replaced = true;
        if (replaced) continue;
        block += entry;
        block.push_back(L'\0');
    }
    FreeEnvironmentStringsW(env);
    for (const std::wstring& e : extra) {
        block += e;
        block.push_back(L'\0');
    }
    block += L"HomeDRIVE=C:";
    block.push_back(L'\0');
    block += L"HomePATH=" + homePath;
    block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

std::wstring quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

std::string narrow(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ZelvaneProcess::setExecutable(const std::wstring& path) {
    gExecutable = path;
    if (!gExecutable.empty() && gExecutable[0] == L'/') {
        for (auto& c : gExecutable)
            if (c == L'/') c = L'\\';
        gExecutable = L"Z:" + gExecutable;
    }
}

const std::wstring& ZelvaneProcess::executable() { return gExecutable; }

std::wstring ZelvaneProcess::freshHome(const std::wstring& tag) {
    CreateDirectoryW(L"C:\\zlvtest", nullptr);
    for (;;) {
        std::wstring rel = L"\\zlvtest\\" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                           std::to_wstring(++gHomeCounter);
        if (CreateDirectoryW((L"C:" + rel).c_str(), nullptr)) return rel;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return rel;
    }
}

ZelvaneProcess::ZelvaneProcess(std::wstring homePath) : homePath_(std::move(homePath)) {}

void ZelvaneProcess::setEnvironment(const std::wstring& name, const std::wstring& value) {
    extraEnvironment_.push_back(name + L"=" + value);
}

ZelvaneProcess::~ZelvaneProcess() {
    if (running()) kill();
    if (process_) CloseHandle(process_);
}

bool ZelvaneProcess::start(const std::vector<std::wstring>& args) {
    if (process_) {
        CloseHandle(process_);
        process_ = nullptr;
        pid_ = 0;
    }
    std::wstring cmd = quoted(gExecutable);
    for (const auto& a : args) cmd += L" " + quoted(a);
    std::wstring env = environmentWithHome(homePath_, extraEnvironment_);
    std::wstring cwd = homeDir();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(gExecutable.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, env.data(), cwd.c_str(), &si, &pi)) {
        error_ = L"CreateProcessW(" + gExecutable + L") failed, error " + std::to_wstring(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

HWND ZelvaneProcess::mainWindow() const {
    if (!pid_) return nullptr;
    auto found = topLevelWindows(pid_, kMainClass, kProgramName);
    return found.empty() ? nullptr : found.front();
}

HWND ZelvaneProcess::waitReady(Millis timeout) {
    HWND main = nullptr;
    pollUntil([&] { return (main = mainWindow()) != nullptr || !running(); }, timeout);
    if (!main) {
        error_ = running() ? L"no main window" : L"process ended before its main window appeared";
        return nullptr;
    }
    // The main window answers once its creation, which registers the
    // hotkeys, has returned. (Probing a hotkey here instead would race with
    // that registration: while the probe holds the chord for a moment,
    // Zelvane's own registration of it fails.)
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout.count()), &r)) {
        error_ = L"the main window never answered";
        return nullptr;
    }
    return main;
}

bool ZelvaneProcess::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ZelvaneProcess::waitExit(Millis timeout, DWORD* exitCode) {
    if (!process_) return true;
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_, exitCode);
    return true;
}

bool ZelvaneProcess::close(Millis timeout) {
    HWND main = mainWindow();
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    return waitExit(timeout);
}

void ZelvaneProcess::kill() {
    if (!process_) return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 30000);
}

std::wstring ZelvaneProcess::homeDir() const { return L"C:" + homePath_; }
std::wstring ZelvaneProcess::settingsFile() const { return homeDir() + L"\\.zlvrc"; }
std::wstring ZelvaneProcess::resumeFile() const { return homeDir() + L"\\.zlv\\_redume"; }

std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* className, const wchar_t* title) {
    std::vector<HWND> out;
    EnumQuery q{pid, className, title, &out};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&q));
    return out;
}

std::vector<MessageBoxInfo> messageBoxesOf(DWORD pid) {
    std::vector<MessageBoxInfo> boxes;
    for (HWND hwnd : topLevelWindows(pid, L"#32770")) {
        // A box that is still being built has no caption or buttons yet; it
        // counts once it is shown.
        if (!IsWindowVisible(hwnd)) continue;
        MessageBoxInfo info;
        info.hwnd = hwnd;
        wchar_t caption[256];
        int n = GetWindowTextW(hwnd, caption, 256);
        info.caption.assign(caption, n);
        EnumChildWindows(hwnd, collectStaticText, reinterpret_cast<LPARAM>(&info.text));
        boxes.push_back(info);
    }
    return boxes;
}

bool pressMessageBoxButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    if (!button) return false;
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool hotkeyTaken(UINT modifiers, UINT vk) {
    constexpr int kProbeId = 0xBEEF;
    if (RegisterHotKey(nullptr, kProbeId, modifiers, vk)) {
        UnregisterHotKey(nullptr, kProbeId);
        return false;
    }
    return true;
}

bool postSwitch(HWND mainWindow, int row, int col) {
    return PostMessageW(mainWindow, kSwitchRequest, 0, MAKELPARAM(col, row)) != 0;
}

}  // namespace e2e
