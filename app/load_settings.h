#pragma once
// Reading the settings file at start-up.
#include <string>

#include "config/settings_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

// Reads the file into the settings. A file read to its end also puts the
// current workspace's wallpaper in force; one that stopped early (or is
// missing) leaves the desktop as it is. True for a file read to its end.
inline bool loadSettings(SettingsFile& settings, WSController& ctrl, const std::string& path) {
    if (!settings.load(path)) return false;
    ctrl.wallpaper().apply(-1, -1);
    return true;
}

}  // namespace zelvane
