#pragma once
// The tray icon and its menu.
#include <windows.h>

namespace zelvane {

struct MainContext;

class TrayUi {
public:
    // Adds the icon and builds the menu.
    explicit TrayUi(MainContext& main);
    // Removes the icon and destroys the menus.
    ~TrayUi();
    TrayUi(const TrayUi&) = delete;
    TrayUi& operator=(const TrayUi&) = delete;

    // The icon's callback (0x8002): left button opens the preview, right the menu.
    void onTrayCallback(WPARAM wp, LPARAM lp);
    // The shell restarted ("TaskbarCreated"): put the icon back.
    void onTaskbarCreated();
    // Menu commands 0 to 31; false for an identifier that is not a menu command.
    bool onCommand(WPARAM id);
    void rebuildMenu();

private:
    MainContext& main_;
};

}  // namespace zelvane
