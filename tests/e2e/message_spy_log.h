#pragma once
// The log that zelvane_spy.dll keeps of the messages Zelvane's main window
// takes from its queue (see message_spy_dll.cpp).
#include <windows.h>

namespace spy {

// Posted by the tests to Zelvane's main window, which ignores it; once the
// spy has seen it, every message posted before it has been handled.
inline UINT markerMessage() { return RegisterWindowMessageW(L"ZelvaneE2ESpyMarker"); }

inline bool watched(UINT message, UINT marker) {
    switch (message) {
        case WM_COMMAND:
        case WM_HOTKEY:
        case 0xBFF5:  // the popup delay ran out
        case 0xBFF7:  // a switch request (wParam: the carried window)
        case 0xBFF8:  // a window is being moved
        case 0xBFF9:  // the mouse moved
        case 0xBFFA:  // left pressed
        case 0xBFFB:  // right pressed
        case 0xBFFD:  // left released
        case 0xBFFE:  // right released
            return true;
        default:
            return message == marker;
    }
}

struct Entry {
    UINT message;
    unsigned wParam;
    LONGLONG when;  // QueryPerformanceCounter when the message was taken
    LONG ready;     // set last, once the entry is complete
};

constexpr LONG kCapacity = 4096;

struct Log {
    LONG reserved;  // entries handed out so far (may pass kCapacity)
    Entry entries[kCapacity];
};

}  // namespace spy
