#pragma once
// The plain settings with their defaults. The grid size, the wallpaper table
// and the exclusion list live in the controller, which owns their rules.
#include <cstdint>
#include <string>

namespace zelvane {

// Modifier bits, equal to the hotkey-registration flags of the system.
enum ModifierBits : std::int32_t { kModAlt = 1, kModCtrl = 2, kModShift = 4, kModWin = 8 };

struct Settings {
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
};

}  // namespace zelvane
