#include "win32/window_class.h"

#include <mutex>
#include <stdexcept>

namespace zelvane::win32 {

void registerWindowClass(const WindowClass& c) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(c.instance, c.name, &existing)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = c.style;
    wc.lpfnWndProc = c.proc;
    wc.hInstance = c.instance;
    wc.hIcon = c.icon ? c.icon : LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // A brush of our own lives as long as the class, which lives as long as the process.
    wc.hbrBackground = c.blackBackground ? CreateSolidBrush(RGB(0, 0, 0)) : c.background;
    wc.lpszClassName = c.name;
    if (!RegisterClassExW(&wc)) {
        if (c.blackBackground && wc.hbrBackground) DeleteObject(wc.hbrBackground);
        throw std::runtime_error("failed to register window-class.");
    }
}

}  // namespace zelvane::win32
