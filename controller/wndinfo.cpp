#include "controller/wndinfo.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <vector>

#include "controller/plan.h"

namespace zelvane {

bool WndInfo::moveBy(std::int32_t dx, std::int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
    return true;
}

void WndInfo::update(const LiveWindow& live, const Plane& plane) {
    if (!live.visible) {
        // Hidden while its workspace shows (or exempt): its program hid it,
        // so switches leave it alone from now on. Hidden elsewhere: that is
        // our doing, and it keeps its place.
        if (isOnCurrentWS(plane) || exempt) managed = false;
        return;
    }
    managed = true;
    if (live.minimized) {
        minimized = true;
        left = right = plane.offsetX();
        top = bottom = plane.offsetY();
        marginX = marginY = 0;
        return;
    }
    minimized = false;
    const Rect& r = live.rect;
    left = r.left + plane.offsetX();
    right = r.right + plane.offsetX();
    top = r.top + plane.offsetY();
    bottom = r.bottom + plane.offsetY();
    marginX = width() > 20 ? 10 : 0;
    marginY = height() > 20 ? 10 : 0;
}

bool WndInfo::isOnCurrentWS(const Plane& p) const {
    const double offX = p.offsetX();
    const double offY = p.offsetY();
    // Margins apply only on sides where another workspace of the grid lies.
    const double mLeft = p.currentCol != 0 ? marginX : 0;
    const double mRight = p.currentCol != p.cols - 1 ? marginX : 0;
    const double mTop = p.currentRow != 0 ? marginY : 0;
    const double mBottom = p.currentRow != p.rows - 1 ? marginY : 0;
    if (right - offX < p.virtualLeft + mLeft) return false;
    if (left - offX >= p.virtualRight() - mRight) return false;
    if (bottom - offY < p.virtualTop + mTop) return false;
    if (top - offY >= p.virtualBottom() - mBottom) return false;
    return true;
}

Point WndInfo::homeScreenPosition(const Plane& p) const {
    const auto cell = [](std::int32_t offset, std::int32_t size) {
        return size > 0 && offset > 0 ? offset / size : 0;
    };
    const std::int32_t col = cell(left - p.virtualLeft, p.virtualWidth);
    const std::int32_t row = cell(top - p.virtualTop, p.virtualHeight);
    return {left - col * p.virtualWidth, top - row * p.virtualHeight};
}

namespace {

std::string marginText(double m) {
    std::ostringstream out;
    out << m;  // shortest form: "10", "0"
    return out.str();
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return fields;
}

template <typename Int>
std::optional<Int> parseInt(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return std::nullopt;
    if (v < static_cast<long long>(std::numeric_limits<Int>::min()) ||
        v > static_cast<long long>(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(v);
}

std::optional<double> parseMargin(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return v;
}

}  // namespace

std::string WndInfo::toText() const {
    std::ostringstream out;
    out << hwnd << ',' << (exempt ? '1' : '0') << ',' << (managed ? '1' : '0') << ',' << left << ',' << right << ','
        << top << ',' << bottom << ',' << (minimized ? '1' : '0') << ',' << marginText(marginX) << ','
        << marginText(marginY);
    return out.str();
}

std::optional<WndInfo> WndInfo::fromText(const std::string& rawLine) {
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto f = splitFields(line);
    if (f.size() != 10) return std::nullopt;
    WndInfo info;
    // Handles are unsigned in memory; accept them written either way.
    const auto handle = parseInt<long long>(f[0]);
    const auto l = parseInt<std::int32_t>(f[3]);
    const auto r = parseInt<std::int32_t>(f[4]);
    const auto t = parseInt<std::int32_t>(f[5]);
    const auto b = parseInt<std::int32_t>(f[6]);
    const auto mx = parseMargin(f[8]);
    const auto my = parseMargin(f[9]);
    if (!handle || *handle <= 0 || !l || !r || !t || !b || !mx || !my) return std::nullopt;
    info.hwnd = static_cast<WindowId>(*handle);
    info.exempt = f[1] == "1";
    info.managed = f[2] == "1";
    info.left = *l;
    info.right = *r;
    info.top = *t;
    info.bottom = *b;
    info.minimized = f[7] == "1";
    info.marginX = *mx;
    info.marginY = *my;
    return info;
}

}  // namespace zelvane
