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
    // A window the system keeps off the screen (a suspended app, one on
    // another of the system's own desktops) is not measured: its program
    // did not put it where it seems to be.
    if (live.visible && live.cloaked) return;
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

Cell WndInfo::homeCell(const Plane& p) const { return largerPartCell(planeRect(), p); }

Cell WndInfo::cornerCell(const Plane& p) const {
    return {largerPartCell(top, top, p.virtualTop, p.virtualHeight),
            largerPartCell(left, left, p.virtualLeft, p.virtualWidth)};
}

Point WndInfo::homeScreenPosition(const Plane& p) const {
    const Point origin = cellOrigin(homeCell(p), p);
    return {p.virtualLeft + fitIntoCell(left - origin.x, width(), p.virtualWidth),
            p.virtualTop + fitIntoCell(top - origin.y, height(), p.virtualHeight)};
}

Point WndInfo::releasePosition(const Plane& p) const {
    return isOnCurrentWS(p) ? screenPosition(p) : homeScreenPosition(p);
}

void WndInfo::moveToCell(Cell from, Cell to, const Plane& p) {
    moveBy((to.col - from.col) * p.virtualWidth, (to.row - from.row) * p.virtualHeight);
}

void WndInfo::rebase(Cell cell, const Plane& from, const Plane& to) {
    if (minimized) {
        // A minimized window is the point of its workspace's origin.
        left = right = cell.col * to.virtualWidth;
        top = bottom = cell.row * to.virtualHeight;
        return;
    }
    const Point was = cellOrigin(cell, from);
    const Point now = cellOrigin(cell, to);
    std::int32_t dx = left - was.x;
    std::int32_t dy = top - was.y;
    if (to.virtualWidth != from.virtualWidth) dx = fitIntoCell(dx, width(), to.virtualWidth);
    if (to.virtualHeight != from.virtualHeight) dy = fitIntoCell(dy, height(), to.virtualHeight);
    moveBy(now.x + dx - left, now.y + dy - top);
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
