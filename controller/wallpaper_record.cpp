#include "controller/wallpaper_record.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace zelvane {

namespace {

void appendFields(std::string& out, const DesktopWallpaper& w) {
    for (const std::string* field : {&w.path, &w.tile, &w.style, &w.originX, &w.originY}) out += *field + "\n";
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

DesktopWallpaper fieldsFrom(const std::vector<std::string>& l, std::size_t first) {
    DesktopWallpaper w;
    std::string* const fields[] = {&w.path, &w.tile, &w.style, &w.originX, &w.originY};
    for (std::size_t i = 0; i < 5 && first + i < l.size(); ++i) *fields[i] = l[first + i];
    return w;
}

bool endsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    return samePath(s.substr(s.size() - tail.size()), tail);
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string recordText(const WallpaperRecord& r) {
    std::string out;
    appendFields(out, r.user);
    appendFields(out, r.shown);
    return out;
}

std::optional<WallpaperRecord> parseRecord(const std::string& text) {
    const std::vector<std::string> l = lines(text);
    if (l.empty()) return std::nullopt;
    WallpaperRecord r;
    r.user = fieldsFrom(l, 0);
    r.shown = l.size() > 5 ? fieldsFrom(l, 5) : r.user;
    return r;
}

bool samePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x == '/') x = '\\';
        if (y == '/') y = '\\';
        if (std::tolower(static_cast<unsigned char>(x)) != std::tolower(static_cast<unsigned char>(y))) return false;
    }
    return true;
}

bool recordStillHolds(const WallpaperRecord& r, const std::string& shownNow, bool shownIsOurs) {
    if (shownIsOurs || shownNow.empty()) return true;
    return samePath(shownNow, r.shown.path) || samePath(shownNow, r.user.path);
}

bool isTranscodedCopy(const std::string& path) {
    return endsWithNoCase(path, "\\Themes\\TranscodedWallpaper") ||
           endsWithNoCase(path, "\\Themes\\TranscodedWallpaper.jpg");
}

std::optional<std::string> transcodedSource(const std::string& bytes) {
    constexpr std::size_t kPathOffset = 24;
    std::string out;
    for (std::size_t at = kPathOffset; at + 1 < bytes.size(); at += 2) {
        std::uint32_t unit = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < bytes.size()) {
            const std::uint32_t low =
                static_cast<unsigned char>(bytes[at + 2]) | static_cast<unsigned char>(bytes[at + 3]) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        appendUtf8(out, unit);
    }
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace zelvane
