#include "app/elevation.h"

#include <shellapi.h>

#include "app/handover.h"
#include "win32/app_instance.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace zelvane {

namespace {

std::vector<std::string> rawArguments() {
    int count = 0;
    win32::UniqueLocalMemory argv(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> args;
    auto* list = static_cast<LPWSTR*>(argv.get());
    for (int i = 1; list && i < count; ++i) args.push_back(win32::narrow(list[i]));
    return args;
}

std::wstring readPath(DWORD (*read)(DWORD, LPWSTR)) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = read(static_cast<DWORD>(path.size()), path.data());
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

DWORD readCurrentFolder(DWORD size, LPWSTR buffer) {
    const DWORD n = GetCurrentDirectoryW(size, buffer);
    return n >= size ? size : n;  // too small: the caller grows the buffer
}

}  // namespace

bool runningElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const win32::UniqueKernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size) &&
           elevation.TokenIsElevated != 0;
}

std::vector<std::string> programArguments() { return splitHandover(rawArguments()).args; }

bool startElevatedSuccessor(HWND owner) {
    const std::wstring program = programPath();
    // The settings are read from the current folder first, and so is the
    // drag image: the successor starts in the same one.
    const std::wstring folder = readPath(readCurrentFolder);
    const std::wstring parameters =
        win32::widen(quoteArguments(successorArguments(GetCurrentProcessId(), programArguments())));
    if (program.empty()) return false;
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner;
    run.lpVerb = L"runas";
    run.lpFile = program.c_str();
    run.lpParameters = parameters.c_str();
    run.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    run.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&run) != FALSE;
}

void awaitPredecessor(DWORD limitMs) {
    const Handover handover = splitHandover(rawArguments());
    if (!handover.predecessor) return;
    const win32::UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, *handover.predecessor));
    // One that is gone already (or that we may not wait on) is not waited for.
    if (process) WaitForSingleObject(process.get(), limitMs);
}

}  // namespace zelvane
