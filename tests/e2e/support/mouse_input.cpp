#include "mouse_input.h"

namespace e2e {

bool sendMouse(DWORD flags, LONG dx, LONG dy) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    const bool ok = SendInput(1, &in, sizeof in) == 1;
    Sleep(kMousePacing);
    return ok;
}

bool moveTo(POINT p) {
    const int x0 = GetSystemMetrics(SM_XVIRTUALSCREEN), y0 = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const auto scale = [](int v, int origin, int size) {
        return static_cast<LONG>((static_cast<long long>(v - origin) * 65536 + size / 2) / size);
    };
    return sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK, scale(p.x, x0, w),
                     scale(p.y, y0, h));
}

}  // namespace e2e
