#pragma once
// The tray icon and its menu.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <vector>

#include "app/tray_menu.h"
#include "controller/desktop.h"

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
    // Tells the user, in a balloon on the icon, which windows stay on every
    // workspace because the system will not let us place them.
    void tellRefused(const std::vector<WindowId>& windows);

private:
    void showMenu();
    void confirmExit();
    void restartElevated();

    MainContext& main_;
    NOTIFYICONDATAW icon_{};
    UniqueMenu menu_;
    // While the menu is open a rebuild must not destroy it under the menu
    // loop: the open one is kept here until the loop has returned.
    UniqueMenu shownMenu_;
    bool menuOpen_ = false;
    bool elevated_ = false;  // running as administrator: no restart as one to offer
    // Expires with this object: lets code that ran a modal loop (the menu,
    // a message box) see whether the shutdown destroyed the tray meanwhile.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace zelvane
