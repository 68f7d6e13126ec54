// Loading and saving the settings file.
//
// The file is UTF-8 text of "key = value" lines. Loading keeps every line in
// lines_ and applies the known keys in file order; saving writes the
// same lines back, with the value of every known key replaced by the current
// setting and nothing else touched.
//
// Real files come from text editors, so:
// - a UTF-8 byte-order mark at the start is not part of the first line, and
//   the save writes it back when the file had one;
// - carriage returns at the end of a line are line-end residue: they are cut
//   off when reading, and the save ends every line the way the file's first
//   line ended (CR LF or LF; a new file gets the platform's usual ending);
// - the file is read and written as bytes, so NUL bytes, invalid UTF-8 and
//   any file name survive.
//
// Two rules keep a save from losing what the user wrote:
// - a load that stops at a value it cannot read still keeps all lines: that
//   line and the ones after it are written back exactly as they were, and
//   keys set in the meantime get their lines before it, where the next load
//   (which stops at the same place) reads them;
// - lines whose value the save has nothing to put into (no "=", no key, an
//   unknown key) are written back unchanged.
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_lines.h"
#include "config/text_file.h"
#include "config/value_grammar.h"
#include "config/settings_file.h"

namespace zelvane {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct FileLines {
    std::vector<std::string> lines;
    bool byteOrderMark = false;
    bool crlf = ConfigFileState{}.crlf;  // a file without any line break keeps the platform's
};

// Lines end at a line feed, which is not part of the line; text after the
// last line feed is a last line of its own.
FileLines splitLines(std::string_view text) {
    FileLines file;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        file.byteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak != std::string_view::npos) file.crlf = firstBreak > 0 && text[firstBreak - 1] == '\r';
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        std::size_t stop = end;
        while (stop > begin && text[stop - 1] == '\r') --stop;
        file.lines.emplace_back(text.substr(begin, stop - begin));
        begin = end + 1;
    }
    return file;
}

void setInteger(SettingsFile& settings, ConfigKey key, std::int32_t v) {
    switch (key) {
        case ConfigKey::wsRowNum: settings.setWsRowNum(v); break;
        case ConfigKey::wsColNum: settings.setWsColNum(v); break;
        case ConfigKey::updateInterval: settings.setUpdateInterval(v); break;
        case ConfigKey::previewScale: settings.setPreviewScale(v); break;
        case ConfigKey::transitionTime: settings.setTransitionTime(v); break;
        case ConfigKey::wallsType: settings.setWallsType(v); break;
        case ConfigKey::popupCtrlWndDelay: settings.setPopupCtrlWndDelay(v); break;
        case ConfigKey::movKey: settings.setMovKey(v); break;
        case ConfigKey::movWndKey: settings.setMovWndKey(v); break;
        default: break;
    }
}

void setSwitch(SettingsFile& settings, ConfigKey key, bool v) {
    switch (key) {
        case ConfigKey::showWallpaper: settings.setShowWallpaper(v); break;
        case ConfigKey::lightenPreview: settings.setLightenPreview(v); break;
        case ConfigKey::keepTrayOrder: settings.setKeepTrayOrder(v); break;
        case ConfigKey::keepMixerControl: settings.setKeepMixerControl(v); break;
        case ConfigKey::edgeFlip: settings.setEdgeFlip(v); break;
        case ConfigKey::mouseGes: settings.setMouseGes(v); break;
        case ConfigKey::useDblclk: settings.setUseDblclk(v); break;
        case ConfigKey::loopWS: settings.setLoopWS(v); break;
        case ConfigKey::popupCtrlWnd: settings.setPopupCtrlWnd(v); break;
        case ConfigKey::useHotkey: settings.setUseHotkey(v); break;
        default: break;
    }
}

std::int32_t integerOf(const SettingsFile& settings, ConfigKey key) {
    switch (key) {
        case ConfigKey::wsRowNum: return settings.values().wsRowNum;
        case ConfigKey::wsColNum: return settings.values().wsColNum;
        case ConfigKey::updateInterval: return settings.values().updateInterval;
        case ConfigKey::previewScale: return settings.values().previewScale;
        case ConfigKey::transitionTime: return settings.values().transitionTime;
        case ConfigKey::wallsType: return settings.values().wallsType;
        case ConfigKey::popupCtrlWndDelay: return settings.values().popupCtrlWndDelay;
        case ConfigKey::movKey: return settings.values().movKey;
        case ConfigKey::movWndKey: return settings.values().movWndKey;
        default: return 0;
    }
}

bool switchOf(const SettingsFile& settings, ConfigKey key) {
    switch (key) {
        case ConfigKey::showWallpaper: return settings.values().showWallpaper;
        case ConfigKey::lightenPreview: return settings.values().lightenPreview;
        case ConfigKey::keepTrayOrder: return settings.values().keepTrayOrder;
        case ConfigKey::keepMixerControl: return settings.values().keepMixerControl;
        case ConfigKey::edgeFlip: return settings.values().edgeFlip;
        case ConfigKey::mouseGes: return settings.values().mouseGes;
        case ConfigKey::useDblclk: return settings.values().useDblclk;
        case ConfigKey::loopWS: return settings.values().loopWS;
        case ConfigKey::popupCtrlWnd: return settings.values().popupCtrlWnd;
        case ConfigKey::useHotkey: return settings.values().useHotkey;
        default: return false;
    }
}

// Interprets the value part for the key and calls its setter. False when the
// value cannot be read at all (a number without digits or beyond 32 bits, a
// wallpaper item without a position): the load stops there.
bool applyValue(SettingsFile& settings, ConfigKey key, std::string_view value) {
    switch (keyKind(key)) {
        case ValueKind::Integer: {
            const auto v = grammar::readInteger(value);
            if (!v) return false;
            setInteger(settings, key, *v);
            return true;
        }
        case ValueKind::Switch:
            setSwitch(settings, key, grammar::readSwitch(value));
            return true;
        case ValueKind::Word:
            if (auto word = grammar::readWord(value)) {
                if (key == ConfigKey::keyBind)
                    settings.setKeyBind(*word);
                else
                    settings.setLanguage(*word);
            }
            return true;
        case ValueKind::ModifierSet:
            if (const std::int32_t mask = grammar::readModifiers(value); mask != 0) setInteger(settings, key, mask);
            return true;
        case ValueKind::ClassList:
            for (const std::string& name : grammar::readClassList(value)) settings.addExclusion(name);
            return true;
        case ValueKind::WallpaperList: {
            const grammar::WallpaperList list = grammar::readWallpaperList(value);
            for (const grammar::WallpaperItem& item : list.items) settings.setWallpaper(item.row, item.col, item.path);
            return !list.malformed;
        }
    }
    return true;
}

// Applies one line of the file; false when the load has to stop at it.
bool applyLine(SettingsFile& settings, std::string_view line) {
    const auto parts = splitSettingLine(line);
    if (!parts) return true;
    if (grammar::isCommentOrBlank(parts->keyPart) || grammar::isCommentOrBlank(parts->valuePart)) return true;
    const auto key = findConfigKey(grammar::firstAlnumRun(parts->keyPart));
    if (!key) return true;  // unknown keys are ignored
    return applyValue(settings, *key, parts->valuePart);
}

std::string valueText(const SettingsFile& settings, ConfigKey key) {
    switch (keyKind(key)) {
        case ValueKind::Integer: return grammar::writeInteger(integerOf(settings, key));
        case ValueKind::Switch: return grammar::writeSwitch(switchOf(settings, key));
        case ValueKind::Word: return key == ConfigKey::keyBind ? settings.values().keyBind : settings.values().language;
        case ValueKind::ModifierSet: return grammar::writeModifiers(integerOf(settings, key));
        case ValueKind::ClassList: return grammar::writeClassList(settings.values().exclusions);
        case ValueKind::WallpaperList: return grammar::writeWallpaperList(settings.values().wallpaper);
    }
    return {};
}

}  // namespace

bool SettingsFile::load(const std::string& path) {
    lines_.clear();
    file_ = ConfigFileState{};
    const auto text = readTextFile(path);
    if (!text) return false;

    FileLines file = splitLines(*text);
    lines_ = std::move(file.lines);
    file_.byteOrderMark = file.byteOrderMark;
    file_.crlf = file.crlf;

    // While loading, every line counts as read, so a key whose line comes
    // later gets no entry of its own.
    const std::size_t fileLines = lines_.size();
    file_.readEnd = fileLines;
    file_.loading = true;
    std::size_t stoppedAt = fileLines;
    std::string line;  // a copy: the setters may add entries to lines_
    for (std::size_t i = 0; i < fileLines; ++i) {
        line = lines_[i];
        if (!applyLine(*this, line)) {
            stoppedAt = i;
            break;
        }
    }
    file_.loading = false;
    if (stoppedAt == fileLines) return true;

    // Stopped early: the rest stays unread. Every key the load did set needs
    // a line before that point, or the next load would not see its value.
    lines_.resize(fileLines);
    file_.readEnd = stoppedAt;
    for (ConfigKey key : file_.markedOrder) modified(key);
    return false;
}

bool SettingsFile::save(const std::string& path) {
    if (lines_.empty()) return true;
    file_.readEnd = std::min(file_.readEnd, lines_.size());

    std::size_t size = file_.byteOrderMark ? kByteOrderMark.size() : 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string& entry = lines_[i];
        if (i < file_.readEnd) {
            const auto parts = splitSettingLine(entry);
            const std::string_view keyRun = parts ? grammar::firstAlnumRun(parts->keyPart) : std::string_view{};
            if (const auto key = findConfigKey(keyRun)) {
                std::string rewritten(keyRun);
                rewritten += '=';
                rewritten += valueText(*this, *key);
                rewritten += parts->rest;
                entry = std::move(rewritten);
            }
        }
        size += entry.size() + 2;
    }
    file_.indexedEnd = static_cast<std::size_t>(-1);  // rewritten entries may start with a key now

    const std::string_view lineEnd = file_.crlf ? "\r\n" : "\n";
    std::string content;
    content.reserve(size);
    if (file_.byteOrderMark) content += kByteOrderMark;
    for (const std::string& entry : lines_) {
        content += entry;
        content += lineEnd;
    }
    return replaceFileContents(path, content);
}

}  // namespace zelvane
