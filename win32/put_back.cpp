#include "win32/put_back.h"

#include <windows.h>

namespace zelvane::win32 {

namespace {

HWND handleOf(std::uint64_t window) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)); }

bool sameText(const wchar_t* a, const wchar_t* b) {
    for (; *a && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}

// Handles are reused: only a window of a taskbar class is shown again.
bool isTaskbarWindow(HWND w) {
    wchar_t name[32];
    if (GetClassNameW(w, name, 32) <= 0) return false;
    return sameText(name, L"Shell_TrayWnd") || sameText(name, L"Shell_SecondaryTrayWnd") ||
           sameText(name, L"Button");
}

}  // namespace

void putBack(const rescue::Book& book) {
    std::int32_t n = 0;
    const rescue::Slot* list = rescue::currentList(book, n);
    for (std::int32_t i = 0; i < n; ++i) {
        const rescue::Slot& s = list[i];
        // Posted to the window's own thread: a hung program shows its window
        // when it answers again, long after the caller has gone.
        SetWindowPos(handleOf(s.window), nullptr, s.x, s.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS | SWP_SHOWWINDOW |
                         (s.move ? 0 : SWP_NOMOVE));
    }
    const std::int32_t hidden = rescue::hiddenTaskbar(book);
    for (std::int32_t i = 0; i < hidden; ++i) {
        const HWND w = handleOf(book.taskbar[i]);
        if (IsWindow(w) && !IsWindowVisible(w) && isTaskbarWindow(w)) ShowWindowAsync(w, SW_SHOWNA);
    }
}

}  // namespace zelvane::win32
