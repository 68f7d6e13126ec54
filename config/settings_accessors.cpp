// The setters of the settings. Each marks its key for the settings file
// first, then clamps where the key has a range, then stores.
#include <algorithm>
#include <cstddef>

#include "config/config_lines.h"
#include "controller/wsctrl.h"

namespace zelvane {

namespace {

constexpr std::int32_t kMinSquareGrid = 2;  // a spread picture needs at least two cells each way

}  // namespace

// A key without an entry gets "key=" at the end of the lines that were read
// (the end of the file, unless a load stopped early: then just before the
// line it stopped at, so that the next load reads it).
void WSController::modified(std::string_view key) {
    ConfigFileState& st = configFile_;
    st.readEnd = std::min(st.readEnd, configLines_.size());
    const auto known = findConfigKey(key);
    if (known) {
        const std::uint32_t bit = keyBit(*known);
        if (st.loading && (st.markedBits & bit) == 0) {
            st.markedBits |= bit;
            st.markedOrder.push_back(*known);
        }
        if (st.indexedEnd != st.readEnd) {
            st.hasLine = keysWithLines(configLines_, st.readEnd);
            st.indexedEnd = st.readEnd;
        }
        if (st.hasLine & bit) return;
        st.hasLine |= bit;
    } else {
        // Not one of the settings' keys: only a plain search can tell.
        for (std::size_t i = 0; i < st.readEnd; ++i)
            if (lineStartsWithKey(configLines_[i], key)) return;
    }
    const bool indexCurrent = st.indexedEnd == st.readEnd;
    configLines_.insert(configLines_.begin() + static_cast<std::ptrdiff_t>(st.readEnd), std::string(key) + "=");
    ++st.readEnd;
    if (indexCurrent) st.indexedEnd = st.readEnd;
}

// While the wallpaper mode is "distant view" the grid stays square, so a
// grid setter stores into both sizes. The size that changes along with it is
// marked as well: otherwise a file without a line for it would lose the new
// size once the mode is left again.
void WSController::setWsRowNum(std::int32_t v) {
    modified(keyName(ConfigKey::wsRowNum));
    if (s_.wallsType == 2) {
        v = std::clamp(v, kMinSquareGrid, kMaxGrid);
        if (wsColNum() != v) modified(keyName(ConfigKey::wsColNum));
        model_.setGrid(v, v);
    } else {
        model_.setGrid(std::clamp(v, 1, kMaxGrid), wsColNum());
    }
}

void WSController::setWsColNum(std::int32_t v) {
    modified(keyName(ConfigKey::wsColNum));
    if (s_.wallsType == 2) {
        v = std::clamp(v, kMinSquareGrid, kMaxGrid);
        if (wsRowNum() != v) modified(keyName(ConfigKey::wsRowNum));
        model_.setGrid(v, v);
    } else {
        model_.setGrid(wsRowNum(), std::clamp(v, 1, kMaxGrid));
    }
}

// Entering "distant view" makes the grid square at the larger of its sizes,
// and at least 2 x 2: the spread picture pans between at least two cells each
// way. The size that grows is marked like above.
void WSController::setWallsType(std::int32_t v) {
    modified(keyName(ConfigKey::wallsType));
    if (v < 0 || v > 2) v = 0;
    if (v == 2 && s_.wallsType != 2) {
        const std::int32_t larger = std::max({wsRowNum(), wsColNum(), kMinSquareGrid});
        if (wsRowNum() != larger) modified(keyName(ConfigKey::wsRowNum));
        if (wsColNum() != larger) modified(keyName(ConfigKey::wsColNum));
        model_.setGrid(larger, larger);
    }
    s_.wallsType = v;
}

void WSController::setWallpaper(std::int32_t row, std::int32_t col, const std::string& path) {
    if (row < 0 || row >= kMaxGrid || col < 0 || col >= kMaxGrid) return;
    modified(keyName(ConfigKey::wallpaper));
    wallpaper_[row][col] = path;
}

void WSController::setUpdateInterval(std::int32_t v) {
    modified(keyName(ConfigKey::updateInterval));
    s_.updateInterval = std::max(v, 0);
}

void WSController::setPreviewScale(std::int32_t v) {
    modified(keyName(ConfigKey::previewScale));
    s_.previewScale = std::clamp(v, 10, 100);
}

void WSController::setTransitionTime(std::int32_t v) {
    modified(keyName(ConfigKey::transitionTime));
    s_.transitionTime = std::clamp(v, 0, 1000);
}

void WSController::setShowWallpaper(bool v) {
    modified(keyName(ConfigKey::showWallpaper));
    s_.showWallpaper = v;
}

void WSController::setLightenPreview(bool v) {
    modified(keyName(ConfigKey::lightenPreview));
    s_.lightenPreview = v;
}

void WSController::setKeepTrayOrder(bool v) {
    modified(keyName(ConfigKey::keepTrayOrder));
    s_.keepTrayOrder = v;
}

void WSController::setKeepMixerControl(bool v) {
    modified(keyName(ConfigKey::keepMixerControl));
    s_.keepMixerControl = v;
}

void WSController::setEdgeFlip(bool v) {
    modified(keyName(ConfigKey::edgeFlip));
    s_.edgeFlip = v;
}

void WSController::setMouseGes(bool v) {
    modified(keyName(ConfigKey::mouseGes));
    s_.mouseGes = v;
}

void WSController::setUseDblclk(bool v) {
    modified(keyName(ConfigKey::useDblclk));
    s_.useDblclk = v;
}

void WSController::setLoopWS(bool v) {
    modified(keyName(ConfigKey::loopWS));
    s_.loopWS = v;
}

void WSController::setPopupCtrlWnd(bool v) {
    modified(keyName(ConfigKey::popupCtrlWnd));
    s_.popupCtrlWnd = v;
}

void WSController::setPopupCtrlWndDelay(std::int32_t v) {
    modified(keyName(ConfigKey::popupCtrlWndDelay));
    s_.popupCtrlWndDelay = std::max(v, 0);
}

void WSController::setUseHotkey(bool v) {
    modified(keyName(ConfigKey::useHotkey));
    s_.useHotkey = v;
}

void WSController::setMovKey(std::int32_t v) {
    modified(keyName(ConfigKey::movKey));
    s_.movKey = v;
}

void WSController::setMovWndKey(std::int32_t v) {
    modified(keyName(ConfigKey::movWndKey));
    s_.movWndKey = v;
}

void WSController::setKeyBind(const std::string& v) {
    modified(keyName(ConfigKey::keyBind));
    s_.keyBind = v;
}

void WSController::setLanguage(const std::string& v) {
    modified(keyName(ConfigKey::language));
    s_.language = v;
}

}  // namespace zelvane
