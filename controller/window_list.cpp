// The window-list file: the places of all managed windows, rewritten at every
// rescan and deleted at a clean exit, so that after a crash the next start
// can take the windows hidden on other workspaces back.
#include <filesystem>
#include <sstream>
#include <system_error>

#include "config/text_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

namespace {

std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::u8path(utf8); }

}  // namespace

bool WSController::saveWindowList() {
    if (dataDir_.empty()) return false;
    std::ostringstream text;
    for (const auto& [w, info] : windows_)
        if (info.managed) text << info.toText() << '\n';
    // Written aside and renamed over the old list, so a crash during the
    // write never leaves a half list behind.
    return replaceFileContents(resumeFilePath(), text.str());
}

void WSController::removeWindowListFile() {
    if (dataDir_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(fsPath(resumeFilePath()), ec);
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

bool WSController::restoreWindowList() {
    if (dataDir_.empty()) return false;
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
        if (!liveWindowMatches(*record)) continue;
        record->managed = true;
        const bool onCurrent = record->isOnCurrentWS(p);
        const auto pos = record->minimized ? std::nullopt : std::optional<Point>(record->screenPosition(p));
        windows_.emplace(w, *record);
        placements_.place(w, pos, onCurrent);
    }
    return true;
}

}  // namespace zelvane
