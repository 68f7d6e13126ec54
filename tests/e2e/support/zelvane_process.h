#pragma once
// Starting, finding, closing and killing Zelvane.exe, each run with a home
// folder of its own, and reading and pressing the message boxes it shows.
#include <windows.h>

#include <string>
#include <vector>

#include "poll.h"

namespace e2e {

constexpr wchar_t kMainClass[] = L"ZelvaneMainClass";
constexpr wchar_t kProgramName[] = L"Zelvane";
// Switch request understood by the main window: wParam 0, lParam = MAKELPARAM(col, row).
constexpr UINT kSwitchRequest = 0xBFF7;

class ZelvaneProcess {
public:
    // Where Zelvane.exe is (a Windows path, or a Unix path that is turned into Z:\...).
    static void setExecutable(const std::wstring& path);
    static const std::wstring& executable();

    // Creates a new, empty home folder C:\zlvtest\<tag>-<pid>-<n> and returns
    // its HomePATH part ("\zlvtest\...").
    static std::wstring freshHome(const std::wstring& tag);

    explicit ZelvaneProcess(std::wstring homePath);
    ~ZelvaneProcess();  // kills the process if it still runs
    ZelvaneProcess(const ZelvaneProcess&) = delete;
    ZelvaneProcess& operator=(const ZelvaneProcess&) = delete;

    // An environment variable for the next starts, on top of this
    // program's own environment.
    void setEnvironment(const std::wstring& name, const std::wstring& value);

    // Starts Zelvane.exe with HomeDRIVE=C: and HomePATH=<homePath>, in the
    // home folder as current directory. args go on the command line.
    bool start(const std::vector<std::wstring>& args = {});
    // Waits until the main window exists and the hotkeys are registered;
    // null on time-out or when the process ended first.
    HWND waitReady(Millis timeout = 60s);
    HWND mainWindow() const;

    DWORD pid() const { return pid_; }
    bool running() const;
    bool waitExit(Millis timeout, DWORD* exitCode = nullptr);
    // Posts WM_CLOSE to the main window and waits for the process to end.
    bool close(Millis timeout = 30s);
    // Ends the process at once, as a crash would.
    void kill();

    const std::wstring& homePath() const { return homePath_; }  // \zlvtest\...
    std::wstring homeDir() const;     // C:\zlvtest\...
    std::wstring settingsFile() const;  // <home>\.zlvrc
    std::wstring resumeFile() const;  // <home>\.zlv\_redume
    const std::wstring& lastError() const { return error_; }

private:
    std::wstring homePath_;
    std::vector<std::wstring> extraEnvironment_;  // "NAME=value"
    std::wstring error_;
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Top-level windows of the process `pid`, or of every process when pid is 0.
std::vector<HWND> topLevelWindows(DWORD pid, const wchar_t* className = nullptr,
                                  const wchar_t* title = nullptr);

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;  // the texts of its static controls, joined by newlines
};
std::vector<MessageBoxInfo> messageBoxesOf(DWORD pid);
// Presses the button with this command id (IDOK by default).
bool pressMessageBoxButton(HWND box, int id = IDOK);

// True when the combination is held by some program's RegisterHotKey.
bool hotkeyTaken(UINT modifiers, UINT vk);

// Posts the switch request for (row, col) to the main window.
bool postSwitch(HWND mainWindow, int row, int col);

bool fileExists(const std::wstring& path);
std::string narrow(const std::wstring& s);

// The folder part of a Windows path.
inline std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

// Runs the tests against another program (another build or copy of
// Zelvane.exe) for as long as it lives.
class ExecutableOverride {
public:
    explicit ExecutableOverride(const std::wstring& exe) : saved_(ZelvaneProcess::executable()) {
        ZelvaneProcess::setExecutable(exe);
    }
    ~ExecutableOverride() { ZelvaneProcess::setExecutable(saved_); }
    ExecutableOverride(const ExecutableOverride&) = delete;
    ExecutableOverride& operator=(const ExecutableOverride&) = delete;

private:
    std::wstring saved_;
};

}  // namespace e2e
