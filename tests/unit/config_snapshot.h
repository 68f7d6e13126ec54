#pragma once
// Every setting as one line of text per key, for comparing two sets of
// settings and for readable test failures.
#include <string>

#include "config/settings.h"

namespace zelvane::testing {

inline std::string settingsSnapshot(const Settings& c) {
    std::string s;
    auto add = [&s](const char* name, const std::string& value) { s += std::string(name) + "=" + value + "\n"; };
    auto num = [](std::int32_t v) { return std::to_string(v); };
    auto flag = [](bool v) { return std::string(v ? "true" : "false"); };
    add("wsRowNum", num(c.wsRowNum));
    add("wsColNum", num(c.wsColNum));
    for (int row = 0; row < kMaxGrid; ++row)
        for (int col = 0; col < kMaxGrid; ++col)
            if (!c.wallpaper[row][col].empty())
                add("wallpaper", num(row) + "," + num(col) + "[" + c.wallpaper[row][col] + "]");
    for (const std::string& name : c.exclusions) add("exclusions", "[" + name + "]");
    add("updateInterval", num(c.updateInterval));
    add("previewScale", num(c.previewScale));
    add("transitionTime", num(c.transitionTime));
    add("wallsType", num(c.wallsType));
    add("showWallpaper", flag(c.showWallpaper));
    add("lightenPreview", flag(c.lightenPreview));
    add("keepTrayOrder", flag(c.keepTrayOrder));
    add("keepMixerControl", flag(c.keepMixerControl));
    add("edgeFlip", flag(c.edgeFlip));
    add("mouseGes", flag(c.mouseGes));
    add("useDblclk", flag(c.useDblclk));
    add("loopWS", flag(c.loopWS));
    add("popupCtrlWnd", flag(c.popupCtrlWnd));
    add("popupCtrlWndDelay", num(c.popupCtrlWndDelay));
    add("useHotkey", flag(c.useHotkey));
    add("movKey", num(c.movKey));
    add("movWndKey", num(c.movWndKey));
    add("keyBind", "[" + c.keyBind + "]");
    add("language", "[" + c.language + "]");
    return s;
}

}  // namespace zelvane::testing
