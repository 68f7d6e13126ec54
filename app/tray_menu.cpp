#include "app/tray_menu.h"

#include <string>

#include "win32/text.h"

namespace zelvane {

namespace {

void setMarks(HMENU menu, const std::vector<MenuEntry>& entries) {
    // A radio group is a run of adjacent radio items: one CheckMenuRadioItem
    // over its positions marks the chosen one and clears the others.
    UINT groupStart = 0;
    UINT chosen = 0;
    bool inGroup = false;
    const auto closeGroup = [&](UINT end) {
        if (inGroup) CheckMenuRadioItem(menu, groupStart, end - 1, chosen, MF_BYPOSITION);
        inGroup = false;
    };
    for (UINT pos = 0; pos < entries.size(); ++pos) {
        const MenuEntry& e = entries[pos];
        if (e.mark != MenuEntry::Mark::Radio) closeGroup(pos);
        switch (e.mark) {
            case MenuEntry::Mark::Check:
                CheckMenuItem(menu, pos, MF_BYPOSITION | (e.checked ? MF_CHECKED : MF_UNCHECKED));
                break;
            case MenuEntry::Mark::Radio:
                if (!inGroup) {
                    inGroup = true;
                    groupStart = pos;
                    chosen = pos;
                }
                if (e.checked) chosen = pos;
                break;
            case MenuEntry::Mark::None:
                break;
        }
    }
    closeGroup(static_cast<UINT>(entries.size()));
}

}  // namespace

UniqueMenu createPopupMenu(const std::vector<MenuEntry>& entries) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    std::vector<MenuEntry> marks;  // the marks of what really went in, by position
    for (const MenuEntry& e : entries) {
        const std::wstring label = win32::widen(e.label);
        if (e.submenu) {
            UniqueMenu sub = createPopupMenu(e.items);
            if (!sub) continue;
            if (!AppendMenuW(menu.get(), MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(sub.get()), label.c_str()))
                continue;  // `sub` is destroyed here, not leaked
            sub.release();  // owned by `menu` from now on
        } else if (!AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(e.id), label.c_str())) {
            continue;
        }
        MenuEntry mark;
        mark.mark = e.mark;
        mark.checked = e.checked;
        marks.push_back(mark);
    }
    setMarks(menu.get(), marks);
    return menu;
}

}  // namespace zelvane
