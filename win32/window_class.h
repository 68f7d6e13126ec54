#pragma once
// Registering one of the program's window classes, once per process from
// whichever thread asks first. A class that cannot be registered raises
// "failed to register window-class.".
#include <windows.h>

namespace zelvane::win32 {

struct WindowClass {
    const wchar_t* name;
    WNDPROC proc;
    HINSTANCE instance;
    UINT style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    HICON icon = nullptr;        // null: the system's application icon
    bool blackBackground = false;  // a solid black brush kept for the life of the class
    HBRUSH background = nullptr;   // otherwise this (may be a system colour + 1)
};

void registerWindowClass(const WindowClass& c);

}  // namespace zelvane::win32
