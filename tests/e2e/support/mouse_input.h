#pragma once
// Injected mouse events, each followed by a pause: Wine merges or drops
// mouse input that comes faster.
#include <windows.h>

namespace e2e {

constexpr DWORD kMousePacing = 40;

// One mouse event (SendInput), then the pause.
bool sendMouse(DWORD flags, LONG dx = 0, LONG dy = 0);
// An absolute move to p, in virtual-screen pixels.
bool moveTo(POINT p);

}  // namespace e2e
