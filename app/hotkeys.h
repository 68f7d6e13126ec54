#pragma once
// The global hotkeys: which chords are registered, and where each one leads.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvane {

enum HotkeyId : int {
    kHotkeyLeft = 100001,
    kHotkeyRight = 100002,
    kHotkeyUp = 100003,
    kHotkeyDown = 100004,
    kHotkeyCarryLeft = 100005,
    kHotkeyCarryDown = 100008,
    kHotkeyJumpFirst = 100009,   // digits 1..9
    kHotkeyCarryJumpFirst = 100018,
    kHotkeyPreview = 100027,     // also the preview command of the menu
};

struct HotkeyBinding {
    int id;
    std::int32_t modifiers;  // the registration flags: 1 alt, 2 ctrl, 4 shift, 8 win
    std::uint32_t key;       // virtual-key code
};

struct DirectionKeys {
    std::uint32_t left, right, up, down;
};

// "vi" and "emacs" (exact, case-sensitive) pick letters; anything else the cursor keys.
DirectionKeys directionKeys(const std::string& keyBind);

// The 27 hotkeys in registration order: preview, the four directions, the
// four directions carrying the foreground window, the digits, the digits
// carrying the foreground window.
std::vector<HotkeyBinding> hotkeyBindings(std::int32_t movKey, std::int32_t movWndKey, const std::string& keyBind);

struct GridState {
    std::int32_t rows, cols, currentRow, currentCol;
    bool loop;
};

struct HotkeyCommand {
    enum class Action { None, Switch, OpenPreview } action = Action::None;
    std::int32_t row = 0;
    std::int32_t col = 0;
    bool carryForeground = false;
};

// What a hotkey asks for on the grid as it is; None when it leads nowhere
// (the grid's edge without looping, a digit past the grid or of the current
// workspace, an identifier that is not ours).
HotkeyCommand hotkeyCommand(int id, const GridState& grid);

}  // namespace zelvane
