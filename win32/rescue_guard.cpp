// Starting the guard: ZelvaneGuard.exe, beside the program, inherits two
// handles (this process, to wait on; the rescue book's section, to read)
// and gets their values on its command line. Inherited handles need no
// names, so no other program can open or squat the book.
#include <windows.h>

#include <string>

#include "win32/crash_rescue.h"
#include "win32/app_instance.h"
#include "win32/handles.h"

namespace zelvane::win32 {

namespace {

std::wstring hex(HANDLE h) {
    static const wchar_t digits[] = L"0123456789abcdef";
    auto v = reinterpret_cast<UINT_PTR>(h);
    std::wstring out;
    do {
        out.insert(out.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v);
    return out;
}

HANDLE inheritableCopy(HANDLE h, DWORD access) {
    HANDLE copy = nullptr;
    const HANDLE self = GetCurrentProcess();
    return DuplicateHandle(self, h, self, &copy, access, TRUE, 0) ? copy : nullptr;
}

}  // namespace

bool startRescueGuard() {
    static bool started = false;
    if (started || !rescueSection()) return false;
    const std::wstring folder = zelvane::programFolder();
    if (folder.empty()) return false;
    const std::wstring exe = folder + L"\\ZelvaneGuard.exe";
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) return false;

    const UniqueKernelHandle process(inheritableCopy(GetCurrentProcess(), SYNCHRONIZE));
    const UniqueKernelHandle section(inheritableCopy(rescueSection(), FILE_MAP_READ));
    if (!process || !section) return false;
    std::wstring commandLine = L"\"" + exe + L"\" " + hex(process.get()) + L" " + hex(section.get());

    // Its current folder is the system's, so the guard never keeps the
    // user's folder (a USB stick, say) in use.
    wchar_t systemFolder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(systemFolder, MAX_PATH);
    const wchar_t* cwd = n > 0 && n < MAX_PATH ? systemFolder : nullptr;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Out of this program's job where the job allows it (a launcher that
    // ends its job when Zelvane ends would take the guard with it), else in it.
    bool ok = false;
    for (DWORD flags : {DWORD(CREATE_BREAKAWAY_FROM_JOB), DWORD(0)})
        if (!ok)
            ok = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, cwd, &si,
                                &pi) != FALSE;
    if (!ok) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    started = true;
    return true;
}

}  // namespace zelvane::win32
