#pragma once
// The keys of the settings file, in the order the controller declares them.
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zelvane {

enum class ValueKind { Integer, Switch, Word, ModifierSet, ClassList, WallpaperList };

enum class ConfigKey {
    wsRowNum,
    wsColNum,
    wallpaper,
    exclusions,
    updateInterval,
    previewScale,
    transitionTime,
    wallsType,
    showWallpaper,
    lightenPreview,
    keepTrayOrder,
    keepMixerControl,
    edgeFlip,
    mouseGes,
    useDblclk,
    loopWS,
    popupCtrlWnd,
    popupCtrlWndDelay,
    useHotkey,
    movKey,
    movWndKey,
    keyBind,
    language,
};

struct KeyInfo {
    ConfigKey key;
    std::string_view name;
    ValueKind kind;
};

inline constexpr std::array<KeyInfo, 23> kConfigKeys{{
    {ConfigKey::wsRowNum, "wsRowNum", ValueKind::Integer},
    {ConfigKey::wsColNum, "wsColNum", ValueKind::Integer},
    {ConfigKey::wallpaper, "wallpaper", ValueKind::WallpaperList},
    {ConfigKey::exclusions, "exclusions", ValueKind::ClassList},
    {ConfigKey::updateInterval, "updateInterval", ValueKind::Integer},
    {ConfigKey::previewScale, "previewScale", ValueKind::Integer},
    {ConfigKey::transitionTime, "transitionTime", ValueKind::Integer},
    {ConfigKey::wallsType, "wallsType", ValueKind::Integer},
    {ConfigKey::showWallpaper, "showWallpaper", ValueKind::Switch},
    {ConfigKey::lightenPreview, "lightenPreview", ValueKind::Switch},
    {ConfigKey::keepTrayOrder, "keepTrayOrder", ValueKind::Switch},
    {ConfigKey::keepMixerControl, "keepMixerControl", ValueKind::Switch},
    {ConfigKey::edgeFlip, "edgeFlip", ValueKind::Switch},
    {ConfigKey::mouseGes, "mouseGes", ValueKind::Switch},
    {ConfigKey::useDblclk, "useDblclk", ValueKind::Switch},
    {ConfigKey::loopWS, "loopWS", ValueKind::Switch},
    {ConfigKey::popupCtrlWnd, "popupCtrlWnd", ValueKind::Switch},
    {ConfigKey::popupCtrlWndDelay, "popupCtrlWndDelay", ValueKind::Integer},
    {ConfigKey::useHotkey, "useHotkey", ValueKind::Switch},
    {ConfigKey::movKey, "movKey", ValueKind::ModifierSet},
    {ConfigKey::movWndKey, "movWndKey", ValueKind::ModifierSet},
    {ConfigKey::keyBind, "keyBind", ValueKind::Word},
    {ConfigKey::language, "language", ValueKind::Word},
}};

inline constexpr std::string_view keyName(ConfigKey k) { return kConfigKeys[static_cast<std::size_t>(k)].name; }
inline constexpr ValueKind keyKind(ConfigKey k) { return kConfigKeys[static_cast<std::size_t>(k)].kind; }

// The key with exactly this name (case-sensitive), if there is one.
inline constexpr std::optional<ConfigKey> findConfigKey(std::string_view name) {
    for (const KeyInfo& info : kConfigKeys)
        if (info.name == name) return info.key;
    return std::nullopt;
}

}  // namespace zelvane
