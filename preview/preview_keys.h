#pragma once
// The preview's keys and mouse-free moves: the three bindings (cursor keys,
// vi's h j k l and emacs's b f p n) are all understood at once, so whatever
// the user's hotkey binding, the same keys move the selection. Pure logic;
// any thread may call these.
#include <cstdint>
#include <functional>
#include <optional>

#include "controller/switch_request.h"
#include "controller/desktop.h"

namespace zelvane {

enum class PreviewKey { None, Left, Right, Up, Down, Enter, Escape, Space };

// Virtual-key code to its meaning in the preview.
PreviewKey previewKeyOf(unsigned virtualKey);

// The selection moved one cell, wrapping at the grid's edges. Enter, Escape,
// Space and None leave it as it is.
Workspace moveSelection(Workspace selection, PreviewKey key, std::int32_t rows, std::int32_t cols);

// A digit key 1..9 during a slide: the workspace of that number, counted
// row by row from the top left as the digit hotkeys count them; none past
// the grid or for any other key.
std::optional<Workspace> numberedWorkspace(unsigned virtualKey, std::int32_t rows, std::int32_t cols);

// Whether any key of a modifier set (1 Alt, 2 Ctrl, 4 Shift, 8 Win) is held,
// asking `isDown` with virtual-key codes. An empty set is never held.
bool modifierSetHeld(std::int32_t modifiers, const std::function<bool(unsigned)>& isDown);

// The animated switch's edge flip: when the cursor touches an edge of the
// virtual screen, the step it asks for and where the cursor jumps to.
struct EdgeStep {
    PreviewKey direction = PreviewKey::None;
    Point cursor;
};
std::optional<EdgeStep> edgeStepAt(Point cursor, std::int32_t virtualLeft, std::int32_t virtualTop,
                                   std::int32_t virtualRight, std::int32_t virtualBottom);

}  // namespace zelvane
