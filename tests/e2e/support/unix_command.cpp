#include "unix_command.h"

#include <windows.h>

#include "poll.h"

namespace e2e {

namespace {

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring scratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    std::wstring folder = n ? std::wstring(temp, n) : L"C:\\";
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring joined(const std::vector<std::wstring>& words) {
    std::wstring out;
    for (const std::wstring& w : words) out += L" " + w;
    return out;
}

}  // namespace

bool runUnixShell(const std::wstring& folder, const std::wstring& line) {
    static unsigned counter = 0;
    const std::wstring done = L"zlv-unix-done-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter);
    DeleteFileW((folder + L"\\" + done).c_str());
    std::wstring cmd = L"sh -c \"" + line + L" && touch " + done + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(L"Z:\\bin\\sh", cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return false;
    // Wine may start a Unix program without handles to it: wait for the file.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    const bool finished = pollUntil([&] { return exists(folder + L"\\" + done); }, 30s);
    DeleteFileW((folder + L"\\" + done).c_str());
    return finished;
}

XKeysHeld::XKeysHeld(std::vector<std::wstring> keysyms) : keys_(std::move(keysyms)) {
    ok_ = runUnixShell(scratchFolder(), L"xdotool keydown" + joined(keys_));
}

XKeysHeld::~XKeysHeld() {
    // Released whatever happened: a key left down in X would be held for
    // every test after this one.
    std::vector<std::wstring> reversed(keys_.rbegin(), keys_.rend());
    runUnixShell(scratchFolder(), L"xdotool keyup" + joined(reversed));
}

}  // namespace e2e
