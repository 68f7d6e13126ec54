#include "keys.h"

namespace e2e {
namespace {

DWORD gPacing = 30;

bool isExtended(WORD vk) {
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_INSERT: case VK_DELETE: case VK_LWIN: case VK_RWIN:
    case VK_RMENU: case VK_RCONTROL:
        return true;
    default:
        return false;
    }
}

bool send(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0 /* MAPVK_VK_TO_VSC */));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtended(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    bool ok = SendInput(1, &in, sizeof in) == 1;
    if (gPacing) Sleep(gPacing);
    return ok;
}

}  // namespace

void setKeyPacing(DWORD ms) { gPacing = ms; }
DWORD keyPacing() { return gPacing; }

bool keyDown(WORD vk) { return send(vk, false); }
bool keyUp(WORD vk) { return send(vk, true); }

bool pressChord(std::initializer_list<WORD> modifiers, WORD key) {
    HeldModifiers held(modifiers);
    return held.tap(key);
}

HeldModifiers::HeldModifiers(const std::vector<WORD>& modifiers) {
    for (WORD m : modifiers) {
        // Released in the destructor even when the press itself reported an error.
        held_.push_back(m);
        keyDown(m);
    }
}

HeldModifiers::~HeldModifiers() {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) keyUp(*it);
}

// Wine re-reads the keyboard from the X server whenever its focus moves (a
// switch hides the active window), and the X server never saw our injected
// modifiers: they count as released from then on. A user's real keys are
// held in X too, so put ours back before each tap, as their fingers would.
void HeldModifiers::reassert() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        bool allDown = true;
        for (WORD m : held_)
            if (GetAsyncKeyState(m) >= 0) {
                allDown = false;
                keyDown(m);
            }
        if (allDown) return;
    }
}

bool HeldModifiers::tap(WORD key) {
    reassert();
    bool down = keyDown(key);
    bool up = keyUp(key);
    return down && up;
}

}  // namespace e2e
