#pragma once
// The processes of the prefix as the system lists them: found by file
// name, with the modules mapped into them; and other programs a test runs
// (Wine's notepad, say) and ends again.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A file in the folder of this (the test) program.
std::wstring besideThisProgram(const wchar_t* name);

// Ids of the running processes with this file name (case ignored).
std::vector<DWORD> processesNamed(const std::wstring& exeName);
// Those of them started by parentPid. A child keeps its parent's id after
// the parent has ended.
std::vector<DWORD> childProcesses(DWORD parentPid, const wchar_t* exeName);
// How many threads pid has, or -1 when they cannot be listed.
int threadCount(DWORD pid);
// The first thread of pid (its main thread, for a program that starts no
// others before), or 0.
DWORD firstThreadOf(DWORD pid);
// True when a module of this file name (case ignored) is mapped into pid.
bool processHasModule(DWORD pid, const std::wstring& moduleName);

// A program started by the test, with its first visible top-level window.
// Ended (closed, or killed when it does not close) when the object ends.
class OtherProgram {
public:
    OtherProgram() = default;
    ~OtherProgram();
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // Runs commandLine (found on the search path) and waits for a visible
    // window of windowClass; false, with error(), when none comes.
    bool start(const std::wstring& commandLine, const wchar_t* windowClass);
    HWND window() const { return window_; }
    DWORD pid() const { return pid_; }
    const std::string& error() const { return error_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
    std::string error_;
};

}  // namespace e2e
