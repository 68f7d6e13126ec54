#pragma once
// Keyboard input injected with SendInput, as the user would type it. Events
// are paced (Wine drops or merges input that comes too fast) and every key
// that was pressed is released again, also on early returns.
#include <windows.h>

#include <initializer_list>
#include <vector>

namespace e2e {

constexpr WORD kAlt = VK_MENU;
constexpr WORD kShift = VK_SHIFT;
constexpr WORD kCtrl = VK_CONTROL;
constexpr WORD kWin = VK_LWIN;

// Pause after each injected event, in milliseconds (default 30).
void setKeyPacing(DWORD ms);
DWORD keyPacing();

bool keyDown(WORD vk);
bool keyUp(WORD vk);

// Modifiers down in order, the key down and up, modifiers up in reverse.
bool pressChord(std::initializer_list<WORD> modifiers, WORD key);

// Holds modifiers down for its lifetime, so that many keys can be tapped
// under one chord quickly; releases them in reverse order on destruction.
class HeldModifiers {
public:
    explicit HeldModifiers(const std::vector<WORD>& modifiers);
    ~HeldModifiers();
    HeldModifiers(const HeldModifiers&) = delete;
    HeldModifiers& operator=(const HeldModifiers&) = delete;
    bool tap(WORD key);
    // Presses again whatever Wine has come to report as released.
    void reassert();

private:
    std::vector<WORD> held_;
};

}  // namespace e2e
