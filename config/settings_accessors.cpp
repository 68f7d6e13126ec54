// The setters of the settings. Each marks its key for the settings file
// first, then clamps where the key has a range, then stores.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "config/config_lines.h"
#include "config/settings_file.h"

namespace zelvane {

namespace {

constexpr std::int32_t kMinSquareGrid = 2;  // a spread picture needs at least two cells each way

bool contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

SettingsFile::SettingsFile(std::vector<std::string> neverExcluded) : neverExcluded_(std::move(neverExcluded)) {}

// A key without an entry gets "key=" at the end of the lines that were read
// (the end of the file, unless a load stopped early: then just before the
// line it stopped at, so that the next load reads it).
void SettingsFile::modified(ConfigKey key) {
    ConfigFileState& st = file_;
    st.readEnd = std::min(st.readEnd, lines_.size());
    const std::uint32_t bit = keyBit(key);
    if (st.loading && (st.markedBits & bit) == 0) {
        st.markedBits |= bit;
        st.markedOrder.push_back(key);
    }
    if (st.indexedEnd != st.readEnd) {
        st.hasLine = keysWithLines(lines_, st.readEnd);
        st.indexedEnd = st.readEnd;
    }
    if (st.hasLine & bit) return;
    st.hasLine |= bit;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(st.readEnd), std::string(keyName(key)) + "=");
    ++st.readEnd;
    st.indexedEnd = st.readEnd;
}

// While the wallpaper mode is "distant view" the grid stays square, so a
// grid setter stores into both sizes. The size that changes along with it is
// marked as well: otherwise a file without a line for it would lose the new
// size once the mode is left again.
void SettingsFile::setWsRowNum(std::int32_t v) {
    modified(ConfigKey::wsRowNum);
    if (values_.wallsType == 2) {
        v = std::clamp(v, kMinSquareGrid, kMaxGrid);
        if (values_.wsColNum != v) modified(ConfigKey::wsColNum);
        values_.wsRowNum = v;
        values_.wsColNum = v;
    } else {
        values_.wsRowNum = std::clamp(v, 1, kMaxGrid);
    }
}

void SettingsFile::setWsColNum(std::int32_t v) {
    modified(ConfigKey::wsColNum);
    if (values_.wallsType == 2) {
        v = std::clamp(v, kMinSquareGrid, kMaxGrid);
        if (values_.wsRowNum != v) modified(ConfigKey::wsRowNum);
        values_.wsRowNum = v;
        values_.wsColNum = v;
    } else {
        values_.wsColNum = std::clamp(v, 1, kMaxGrid);
    }
}

// Entering "distant view" makes the grid square at the larger of its sizes,
// and at least 2 x 2: the spread picture pans between at least two cells each
// way. The size that grows is marked like above.
void SettingsFile::setWallsType(std::int32_t v) {
    modified(ConfigKey::wallsType);
    if (v < 0 || v > 2) v = 0;
    if (v == 2 && values_.wallsType != 2) {
        const std::int32_t larger = std::max({values_.wsRowNum, values_.wsColNum, kMinSquareGrid});
        if (values_.wsRowNum != larger) {
            modified(ConfigKey::wsRowNum);
            values_.wsRowNum = larger;
        }
        if (values_.wsColNum != larger) {
            modified(ConfigKey::wsColNum);
            values_.wsColNum = larger;
        }
    }
    values_.wallsType = v;
}

void SettingsFile::setWallpaper(std::int32_t row, std::int32_t col, const std::string& path) {
    if (row < 0 || row >= kMaxGrid || col < 0 || col >= kMaxGrid) return;
    modified(ConfigKey::wallpaper);
    values_.wallpaper[row][col] = path;
}

// Like every setter these mark the key before they look at the name, so a
// refused name marks it too.
bool SettingsFile::addExclusion(const std::string& className) {
    // No window class has an empty name, and the settings file has no way
    // to hold one.
    if (className.empty()) return false;
    modified(ConfigKey::exclusions);
    if (contains(values_.exclusions, className) || contains(neverExcluded_, className)) return false;
    values_.exclusions.push_back(className);
    return true;
}

bool SettingsFile::removeExclusion(const std::string& className) {
    modified(ConfigKey::exclusions);
    if (contains(neverExcluded_, className)) return false;
    const auto it = std::find(values_.exclusions.begin(), values_.exclusions.end(), className);
    if (it != values_.exclusions.end()) values_.exclusions.erase(it);
    return true;
}

void SettingsFile::setUpdateInterval(std::int32_t v) {
    modified(ConfigKey::updateInterval);
    values_.updateInterval = std::max(v, 0);
}

void SettingsFile::setPreviewScale(std::int32_t v) {
    modified(ConfigKey::previewScale);
    values_.previewScale = std::clamp(v, 10, 100);
}

void SettingsFile::setTransitionTime(std::int32_t v) {
    modified(ConfigKey::transitionTime);
    values_.transitionTime = std::clamp(v, 0, 1000);
}

void SettingsFile::setShowWallpaper(bool v) {
    modified(ConfigKey::showWallpaper);
    values_.showWallpaper = v;
}

void SettingsFile::setLightenPreview(bool v) {
    modified(ConfigKey::lightenPreview);
    values_.lightenPreview = v;
}

void SettingsFile::setKeepTrayOrder(bool v) {
    modified(ConfigKey::keepTrayOrder);
    values_.keepTrayOrder = v;
}

void SettingsFile::setKeepMixerControl(bool v) {
    modified(ConfigKey::keepMixerControl);
    values_.keepMixerControl = v;
}

void SettingsFile::setEdgeFlip(bool v) {
    modified(ConfigKey::edgeFlip);
    values_.edgeFlip = v;
}

void SettingsFile::setMouseGes(bool v) {
    modified(ConfigKey::mouseGes);
    values_.mouseGes = v;
}

void SettingsFile::setUseDblclk(bool v) {
    modified(ConfigKey::useDblclk);
    values_.useDblclk = v;
}

void SettingsFile::setLoopWS(bool v) {
    modified(ConfigKey::loopWS);
    values_.loopWS = v;
}

void SettingsFile::setPopupCtrlWnd(bool v) {
    modified(ConfigKey::popupCtrlWnd);
    values_.popupCtrlWnd = v;
}

void SettingsFile::setPopupCtrlWndDelay(std::int32_t v) {
    modified(ConfigKey::popupCtrlWndDelay);
    values_.popupCtrlWndDelay = std::max(v, 0);
}

void SettingsFile::setUseHotkey(bool v) {
    modified(ConfigKey::useHotkey);
    values_.useHotkey = v;
}

void SettingsFile::setMovKey(std::int32_t v) {
    modified(ConfigKey::movKey);
    values_.movKey = v;
}

void SettingsFile::setMovWndKey(std::int32_t v) {
    modified(ConfigKey::movWndKey);
    values_.movWndKey = v;
}

void SettingsFile::setKeyBind(const std::string& v) {
    modified(ConfigKey::keyBind);
    values_.keyBind = v;
}

void SettingsFile::setLanguage(const std::string& v) {
    modified(ConfigKey::language);
    values_.language = v;
}

}  // namespace zelvane
