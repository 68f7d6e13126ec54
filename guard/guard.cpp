// ZelvaneGuard.exe: started by Zelvane at start-up, it waits for Zelvane to
// end. When Zelvane ends without its clean exit (ended outright from Task
// Manager, TerminateProcess, a fail-fast, a stack overflow: no handler of
// Zelvane's own runs then), it puts back what Zelvane's rescue book lists:
// every window it hid or moved, at its home place, and the taskbar the
// preview hid. Then it ends, as it does after a clean exit.
//
// Its command line holds two handles it inherited, in hexadecimal: Zelvane's
// process and the section of the book. It creates no window, so it never
// counts as a running Zelvane, and, like Quillet.dll, it carries no C or C++
// runtime: it imports from kernel32 and user32 only.
#include <windows.h>

#include "win32/put_back.h"
#include "win32/rescue_book.h"

namespace {

const wchar_t* skipBlanks(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

// The program's own name comes first, quoted or not.
const wchar_t* afterProgramName(const wchar_t* p) {
    p = skipBlanks(p);
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    return p;
}

// One hexadecimal number; 0 when there is none or it does not fit.
const wchar_t* readHex(const wchar_t* p, UINT_PTR& value) {
    p = skipBlanks(p);
    value = 0;
    int digits = 0;
    for (;; ++p, ++digits) {
        unsigned d;
        if (*p >= L'0' && *p <= L'9')
            d = static_cast<unsigned>(*p - L'0');
        else if (*p >= L'a' && *p <= L'f')
            d = static_cast<unsigned>(*p - L'a' + 10);
        else if (*p >= L'A' && *p <= L'F')
            d = static_cast<unsigned>(*p - L'A' + 10);
        else
            break;
        value = value << 4 | d;
    }
    if (digits == 0 || digits > static_cast<int>(2 * sizeof(UINT_PTR)) || (*p && *p != L' ' && *p != L'\t'))
        value = 0;
    return p;
}

// Exit codes: 0 after Zelvane's end (rescued or not), 2 for a command line
// that does not name two handles, 3 when they are not what they should be.
UINT guard() {
    UINT_PTR process = 0, section = 0;
    readHex(readHex(afterProgramName(GetCommandLineW()), process), section);
    if (!process || !section) return 2;
    const auto* book = static_cast<const zelvane::rescue::Book*>(
        MapViewOfFile(reinterpret_cast<HANDLE>(section), FILE_MAP_READ, 0, 0, sizeof(zelvane::rescue::Book)));
    if (!book || book->layout != zelvane::rescue::kLayout) return 3;
    if (WaitForSingleObject(reinterpret_cast<HANDLE>(process), INFINITE) != WAIT_OBJECT_0) return 3;
    if (!book->cleanExit.load()) zelvane::win32::putBack(*book);
    return 0;
}

}  // namespace

// The entry point: no C runtime starts before it.
extern "C" void guardMain() { ExitProcess(guard()); }
