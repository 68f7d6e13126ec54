#pragma once
// SettingsFile: the settings and the file they came from. It holds the
// values, the file's lines and what the save needs to write them back in
// place. Every change goes through a setter, which keeps the key's range and
// marks the key, so that the save writes it even when the file had no line
// for it.
//
// Used on the UI thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_file_state.h"
#include "config/keys.h"
#include "config/settings.h"

namespace zelvane {

class SettingsFile {
public:
    // neverExcluded: the class names that may never be put on the exclusion
    // list (the shell's and the program's own windows).
    explicit SettingsFile(std::vector<std::string> neverExcluded);

    const Settings& values() const { return values_; }

    // --- one setter per key ---
    // While wallsType is 2 the grid stays square: either size setter sets
    // both, at least 2.
    void setWsRowNum(std::int32_t v);
    void setWsColNum(std::int32_t v);
    // Nothing outside the 5 x 5 table.
    void setWallpaper(std::int32_t row, std::int32_t col, const std::string& path);
    // False for an empty name, a name already listed and a name that may
    // never be excluded.
    bool addExclusion(const std::string& className);
    // False for a name that may never be excluded; true otherwise, listed or not.
    bool removeExclusion(const std::string& className);
    void setUpdateInterval(std::int32_t v);
    void setPreviewScale(std::int32_t v);
    void setTransitionTime(std::int32_t v);
    // Entering 2 ("distant view") makes the grid square at its larger size.
    void setWallsType(std::int32_t v);
    void setShowWallpaper(bool v);
    void setLightenPreview(bool v);
    void setKeepTrayOrder(bool v);
    void setKeepMixerControl(bool v);
    void setEdgeFlip(bool v);
    void setMouseGes(bool v);
    void setUseDblclk(bool v);
    void setLoopWS(bool v);
    void setPopupCtrlWnd(bool v);
    void setPopupCtrlWndDelay(std::int32_t v);
    void setUseHotkey(bool v);
    void setMovKey(std::int32_t v);
    void setMovWndKey(std::int32_t v);
    void setKeyBind(const std::string& v);
    void setLanguage(const std::string& v);

    // --- the file ---
    // Reads the file and applies its settings in file order. True when the
    // whole file was read; false when it is missing or the load stopped at a
    // value it could not read (the settings of the lines before it stay).
    bool load(const std::string& path);
    // Writes the lines back with the current values; writes nothing when
    // there are no lines. False when the file could not be written.
    bool save(const std::string& path);
    const std::vector<std::string>& lines() const { return lines_; }

private:
    // Marks a key as changed: a key without a line gets "key=".
    void modified(ConfigKey key);

    Settings values_;
    std::vector<std::string> neverExcluded_;
    std::vector<std::string> lines_;
    ConfigFileState file_;
};

}  // namespace zelvane
