#pragma once
// The tray menu as system menus: an owner for a menu handle, and the build
// of a whole popup tree from the menu model.
#include <windows.h>

#include <vector>

#include "app/menu_model.h"
#include "win32/handles.h"

namespace zelvane {

struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    // Destroys the submenus attached to it as well.
    static void close(HMENU h) { DestroyMenu(h); }
};
using UniqueMenu = win32::UniqueHandle<HMENU, MenuTraits>;

// A popup menu holding `entries`, with their submenus, check and radio
// marks. A failed menu call leaves that item out; the rest is still built.
UniqueMenu createPopupMenu(const std::vector<MenuEntry>& entries);

}  // namespace zelvane
