// The window-list file: the places of all managed windows, rewritten at every
// rescan and deleted at a clean exit, so that after a crash the next start
// can take the windows hidden on other workspaces back.
#include <sstream>

#include "config/text_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

bool WSController::saveWindowList() {
    if (dataDir_.empty()) return false;
    std::ostringstream text;
    for (const auto& [w, info] : windows_)
        if (info.managed) text << info.toText() << '\n';
    // Written aside and renamed over the old list, so a crash during the
    // write never leaves a half list behind; on a thread of its own, so the
    // switch does not wait for the disk.
    listWriter_.write(resumeFilePath(), text.str());
    return true;
}

void WSController::removeWindowListFile() {
    if (dataDir_.empty()) return;
    listWriter_.remove(resumeFilePath());
}

// Window handles are reused: after a crash, a handle in the list may name a
// new, unrelated window. Only a window that still sits exactly where one of
// our switches would have put it (or is still minimized) is taken back.
bool WSController::liveWindowMatches(const WndInfo& record) const {
    const bool minimizedNow = desktop_->isMinimized(record.hwnd);
    if (record.minimized) return minimizedNow;
    if (minimizedNow) return false;
    const Rect r = desktop_->windowRect(record.hwnd);
    if (r.right - r.left != record.width() || r.bottom - r.top != record.height()) return false;
    const Plane p = plane();
    for (std::int32_t row = 0; row < kMaxGrid; ++row)
        for (std::int32_t col = 0; col < kMaxGrid; ++col) {
            const Point at = record.screenPosition(p.at(row, col));
            if (at.x == r.left && at.y == r.top) return true;
        }
    return false;
}

// A window we hid before a crash that no longer sits exactly where we left
// it: the screen changed size between the runs (docking, a new resolution, a
// remote session), or its program resized it. If it is still hidden and off
// the visible screen, nobody but us would ever show it again, so it is taken
// back with its live size. A visible window is left alone: its handle may
// now name an unrelated window.
bool WSController::takeBackStray(WndInfo& record, const Plane& p) const {
    const WindowId w = record.hwnd;
    if (desktop_->isVisible(w)) return false;
    const bool minimizedNow = desktop_->isMinimized(w);
    const Rect r = desktop_->windowRect(w);
    const bool offScreen = r.right <= p.virtualLeft || r.left >= p.virtualRight() || r.bottom <= p.virtualTop ||
                           r.top >= p.virtualBottom();
    if (!minimizedNow && !offScreen) return false;
    if (minimizedNow) {
        record.minimized = true;
        record.marginX = record.marginY = 0;
        return true;
    }
    if (record.minimized) {  // restored while we were gone: it goes where it was minimized
        record.minimized = false;
        record.left = record.right = p.offsetX() + p.virtualLeft;
        record.top = record.bottom = p.offsetY() + p.virtualTop;
    }
    const std::int32_t width = r.right - r.left;
    const std::int32_t height = r.bottom - r.top;
    record.right = record.left + width;
    record.bottom = record.top + height;
    record.marginX = width > 20 ? 10 : 0;
    record.marginY = height > 20 ? 10 : 0;
    return true;
}

// A taken-back window whose recorded workspace lies outside the grid (the
// screen is smaller now, so its place on the plane is further out) would
// never be shown by a switch: it goes onto the current workspace instead,
// where it sat on its own.
void WSController::fitIntoGrid(WndInfo& record, const Plane& p) const {
    const auto cellOf = [](std::int64_t offset, std::int32_t size) -> std::int64_t {
        return size > 0 ? (offset < 0 ? -1 : offset / size) : -1;
    };
    const std::int64_t col = cellOf(std::int64_t{record.left} - p.virtualLeft, p.virtualWidth);
    const std::int64_t row = cellOf(std::int64_t{record.top} - p.virtualTop, p.virtualHeight);
    if (col >= 0 && col < p.cols && row >= 0 && row < p.rows) return;
    const Point home = record.homeScreenPosition(p);
    const std::int32_t dx = home.x + p.offsetX() - record.left;
    const std::int32_t dy = home.y + p.offsetY() - record.top;
    record.moveBy(dx, dy);
}

bool WSController::restoreWindowList() {
    if (dataDir_.empty()) return false;
    removeStaleTemporaryFiles(resumeFilePath());
    const auto text = readTextFile(resumeFilePath());
    if (!text) return false;
    const Plane p = plane();
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        auto record = WndInfo::fromText(line);
        if (!record) return false;  // a damaged line ends the restore; what came before stays
        const WindowId w = record->hwnd;
        if (record->exempt || windows_.count(w) || !desktop_->isWindow(w)) continue;
        record->className = desktop_->className(w);
        if (exemptReason(record->className, desktop_->style(w)) != ExemptReason::None) continue;
        if (!liveWindowMatches(*record) && !takeBackStray(*record, p)) continue;
        fitIntoGrid(*record, p);
        record->managed = true;
        const bool onCurrent = record->isOnCurrentWS(p);
        const auto pos = record->minimized ? std::nullopt : std::optional<Point>(record->screenPosition(p));
        windows_.emplace(w, *record);
        place(w, pos, onCurrent);
    }
    publishRescueList();
    return true;
}

}  // namespace zelvane
