// The desktop of the refusing test build: Windows' own, except that the
// windows whose title holds "[elevated]" may not be placed. Each refusal
// adds a line to refused.log in the current folder, for the tests to count.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "app/desktop_factory.h"
#include "win32/win32_desktop.h"

namespace zelvane {

namespace {

class RefusingDesktop : public win32::Win32Desktop {
public:
    bool placeWindow(WindowId w, std::optional<Point> pos, bool show) override {
        wchar_t title[256] = {};
        GetWindowTextW(win32::toHwnd(w), title, 256);
        if (std::wcsstr(title, L"[elevated]")) {
            if (FILE* log = _wfopen(L"refused.log", L"a")) {
                std::fputs("refused\n", log);
                std::fclose(log);
            }
            SetLastError(ERROR_ACCESS_DENIED);  // what Windows says to a program that is not elevated
            return false;
        }
        return Win32Desktop::placeWindow(w, pos, show);
    }
};

}  // namespace

std::shared_ptr<Desktop> makeDesktop() { return std::make_shared<RefusingDesktop>(); }

}  // namespace zelvane
