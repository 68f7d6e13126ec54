#pragma once
// Every setting of the settings file, with its default: a plain value. The
// rules for changing them (ranges, the square grid of "distant view", the
// marking of keys for the save) are SettingsFile's.
#include <cstdint>
#include <string>
#include <vector>

#include "config/grid.h"

namespace zelvane {

// Modifier bits, equal to the hotkey-registration flags of the system.
enum ModifierBits : std::int32_t { kModAlt = 1, kModCtrl = 2, kModShift = 4, kModWin = 8 };

struct Settings {
    std::int32_t wsRowNum = 2;  // 1..5; 2..5 and equal to wsColNum while wallsType is 2
    std::int32_t wsColNum = 2;
    WorkspaceTable<std::string> wallpaper{};  // each workspace's picture; empty: none
    std::vector<std::string> exclusions;      // window classes never hidden, in the order listed
    std::int32_t updateInterval = 500;  // ms; 0 = no periodic preview refresh
    std::int32_t previewScale = 90;     // percent of the screen, 10..100
    std::int32_t transitionTime = 120;  // ms, 0..1000; 0 = no sliding transition
    std::int32_t wallsType = 0;         // 0 default, 1 individual view, 2 distant view
    bool showWallpaper = true;
    bool lightenPreview = true;
    bool keepTrayOrder = true;
    bool keepMixerControl = false;
    bool edgeFlip = false;
    bool mouseGes = false;
    bool useDblclk = true;
    bool loopWS = false;
    bool popupCtrlWnd = true;
    std::int32_t popupCtrlWndDelay = 1000;  // ms
    bool useHotkey = true;
    std::int32_t movKey = kModAlt | kModShift;
    std::int32_t movWndKey = kModAlt | kModWin;
    std::string keyBind = "normal";
    std::string language = "english";

    // Empty outside the 5 x 5 table (the current workspace may lie one step
    // past a grid that just shrank, and that can be the sixth row).
    const std::string& wallpaperOf(std::int32_t row, std::int32_t col) const {
        static const std::string none;
        return row < 0 || row >= kMaxGrid || col < 0 || col >= kMaxGrid ? none : wallpaper[row][col];
    }
};

}  // namespace zelvane
