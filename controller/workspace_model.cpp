#include "controller/workspace_model.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace zelvane {

namespace {

constexpr std::uint32_t kPlayerSkinStyleShown = 0x96000000;   // popup, visible, clip siblings and children
constexpr std::uint32_t kPlayerSkinStyleHidden = 0x86000000;  // the same, not visible
constexpr std::uint32_t kExTopmost = 0x8;
constexpr std::uint32_t kExTransparent = 0x20;

std::optional<Point> placeOf(const WndInfo& info, Point at) {
    return info.minimized ? std::nullopt : std::optional<Point>(at);
}

}  // namespace

WorkspaceModel::WorkspaceModel(const Settings& settings, std::vector<std::string> systemClasses)
    : settings_(settings), systemClasses_(std::move(systemClasses)) {}

Plane WorkspaceModel::plane() const {
    Plane p;
    p.rows = rows();
    p.cols = cols();
    p.currentRow = currentRow_;
    p.currentCol = currentCol_;
    p.virtualLeft = metrics_.virtualLeft;
    p.virtualTop = metrics_.virtualTop;
    p.virtualWidth = metrics_.virtualWidth;
    p.virtualHeight = metrics_.virtualHeight;
    return p;
}

// Out-of-range values land one step past the grid's edge (a negative one on
// row or column 1): the release relies on the upper clamp to visit the row
// and column just beyond the grid.
void WorkspaceModel::setCurrentRow(std::int32_t v) { currentRow_ = v < 0 ? 1 : std::min(v, rows()); }
void WorkspaceModel::setCurrentCol(std::int32_t v) { currentCol_ = v < 0 ? 1 : std::min(v, cols()); }

const WndInfo* WorkspaceModel::find(WindowId w) const {
    const auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : &it->second;
}

unsigned WorkspaceModel::readsForPlacing(WindowId w) const {
    const WndInfo* info = find(w);
    if (!info) return kReadVisibility | kReadClass;
    return info->managed && !info->exempt ? kReadVisibility | kReadGeometry : kReadVisibility;
}

// Known windows are left alone between rescans; a new one is registered
// when it shows up.
unsigned WorkspaceModel::readsForRefresh(WindowId w) const {
    return find(w) ? kReadNothing : kReadVisibility | kReadClassIfShown | kReadPreviewTraits;
}

// ---- the registry ----

WndInfo WorkspaceModel::newRecord(const LiveWindow& live, const Plane& p) const {
    WndInfo info;
    info.hwnd = live.id;
    info.className = live.className;
    info.exempt = exemptReason(info.className, live.style) != ExemptReason::None;
    info.update(live, p);
    return info;
}

void WorkspaceModel::rescan(const Snapshot& snap) {
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (!snap.find(it->first)) {
            shownByUs_.erase(it->first);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
    const Plane p = plane();
    for (const LiveWindow& live : snap.windows) {
        const auto it = windows_.find(live.id);
        if (it == windows_.end()) {
            windows_.emplace(live.id, newRecord(live, p));
        } else if (!live.inFlight) {
            // A window whose program has not yet carried out what we posted
            // keeps the place we gave it: its live position is stale, and
            // measuring it would move it to another workspace.
            it->second.update(live, p);
        }
    }
}

std::string WorkspaceModel::windowListText() const {
    std::ostringstream text;
    for (const auto& [w, info] : windows_)
        if (info.managed) text << info.toText() << '\n';
    return text.str();
}

// ---- placements and the rescue list ----

void WorkspaceModel::place(Plan& plan, const Snapshot& snap, WindowId w, std::optional<Point> pos, bool show) {
    shownByUs_[w] = show;
    // Each request is work for the window's program: skip one that would
    // change nothing. The live state is trustworthy only when nothing posted
    // earlier is still on its way.
    const LiveWindow* live = snap.find(w);
    if (live && !live->inFlight && live->visible == show &&
        (!pos || (live->rect.left == pos->x && live->rect.top == pos->y)))
        return;
    plan.placements.push_back({w, pos, show});
}

// Every window we hid, at its place on its own workspace.
std::vector<RescuePlacement> WorkspaceModel::rescueList() const {
    const Plane p = plane();
    std::vector<RescuePlacement> list;
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const auto shown = shownByUs_.find(w);
        if (shown == shownByUs_.end() || shown->second) continue;  // not hidden by us
        list.push_back({w, placeOf(info, info.homeScreenPosition(p))});
    }
    return list;
}

Plan WorkspaceModel::finish(Plan plan) const {
    plan.rescue = rescueList();
    return plan;
}

// ---- what is never moved ----

bool WorkspaceModel::isSystemClass(const std::string& className) const {
    return std::find(systemClasses_.begin(), systemClasses_.end(), className) != systemClasses_.end();
}

ExemptReason WorkspaceModel::exemptReason(const std::string& className, std::uint32_t style) const {
    if (isSystemClass(className)) return ExemptReason::SystemClass;
    const std::vector<std::string>& excluded = settings_.exclusions;
    if (std::find(excluded.begin(), excluded.end(), className) != excluded.end()) return ExemptReason::Excluded;
    if (className == "WMP Skin Host" && (style == kPlayerSkinStyleShown || style == kPlayerSkinStyleHidden))
        return ExemptReason::PlayerSkin;
    return ExemptReason::None;
}

Plan WorkspaceModel::excludeClass(const std::string& className) {
    Plan plan;
    const Plane p = plane();
    const Snapshot none;
    for (auto& [w, info] : windows_) {
        if (info.exempt || info.className != className) continue;
        if (info.managed && !info.isOnCurrentWS(p)) place(plan, none, w, placeOf(info, info.homeScreenPosition(p)), true);
        info.exempt = true;
    }
    return finish(std::move(plan));
}

void WorkspaceModel::includeClass(const std::string& className) {
    for (auto& [w, info] : windows_)
        if (info.exempt && info.className == className) info.exempt = false;
}

// ---- focus ----

void WorkspaceModel::saveFocus(WindowId foreground) {
    // The current workspace lies one step past the grid only after a release.
    if (currentRow_ < kMaxGrid && currentCol_ < kMaxGrid) focusWnd_[currentRow_][currentCol_] = foreground;
}

void WorkspaceModel::setFocus(WindowId w, std::int32_t row, std::int32_t col) {
    if (row < 0 && col < 0) {
        for (auto& cells : focusWnd_) cells.fill(w);
    } else if (row >= 0 && row < kMaxGrid && col >= 0 && col < kMaxGrid) {
        focusWnd_[row][col] = w;
    }
}

// Whether w will be visible once the placements of the current workspace are
// done; its live visibility may still be in transit.
bool WorkspaceModel::willBeVisible(WindowId w, const Snapshot& snap, const Plane& p) const {
    const LiveWindow* live = snap.find(w);
    if (w == kNoWindow || !live) return false;
    const WndInfo* info = find(w);
    if (info && !info->exempt && info->managed) return info->isOnCurrentWS(p);
    return live->visible;
}

WindowId WorkspaceModel::focusTarget(const Snapshot& snap) const {
    const Plane p = plane();
    if (currentRow_ >= kMaxGrid || currentCol_ >= kMaxGrid) return snap.shell;
    const WindowId remembered = focusWnd_[currentRow_][currentCol_];
    if (willBeVisible(remembered, snap, p)) return remembered;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (info && !info->exempt && info->managed && !info->minimized && info->isOnCurrentWS(p)) return live.id;
    }
    return snap.shell;
}

// ---- switching ----

Plan WorkspaceModel::planSwitch(const Snapshot& snap, std::int32_t row, std::int32_t col, WindowId carried) {
    const LiveWindow* carriedLive = carried != kNoWindow ? snap.find(carried) : nullptr;
    if (!carriedLive || !carriedLive->visible) carried = kNoWindow;

    // Measure first, so windows opened or moved on the old workspace are
    // recorded there before anything moves.
    rescan(snap);
    saveFocus(snap.foreground);
    setCurrentRow(row);
    setCurrentCol(col);
    const Plane p = plane();

    // The windows leaving go first, so the old workspace is gone from the
    // screen as early as possible (a program that owns windows of both
    // workspaces takes the requests in the order they are posted).
    Plan plan;
    for (const bool show : {false, true}) {
        for (const LiveWindow& live : snap.windows) {
            if (live.id == carried) continue;
            const WndInfo* info = find(live.id);
            if (!info || info->exempt || !info->managed || info->isOnCurrentWS(p) != show) continue;
            place(plan, snap, live.id, placeOf(*info, info->screenPosition(p)), show);
        }
    }
    if (carried == kNoWindow) plan.focus = focusTarget(snap);
    released_ = false;
    return finish(std::move(plan));
}

Plan WorkspaceModel::planDisplayChange(const Snapshot& snap, const ScreenMetrics& m) {
    metrics_ = m;
    const Plane p = plane();
    Plan plan;
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const LiveWindow* live = snap.find(w);
        if (!live || live->inFlight || live->visible || !info.isOnCurrentWS(p)) continue;
        // Only what we hid comes back: a window its own program hid (a
        // program minimized to the tray) stays hidden.
        const auto shown = shownByUs_.find(w);
        if (shown == shownByUs_.end() || shown->second) continue;
        place(plan, snap, w, placeOf(info, info.screenPosition(p)), true);
    }
    return finish(std::move(plan));
}

Plan WorkspaceModel::planRelease(const Snapshot& snap) {
    if (released_) return {};
    // Visit every position of the 5 x 5 table; the clamping setters turn the
    // positions past the grid into the row and column just beyond it, so
    // windows left on a removed row or column come back too. The last
    // position that shows a window decides where it goes; each window gets
    // one request.
    std::map<WindowId, std::optional<Point>> target;
    for (std::int32_t col = 0; col < kMaxGrid; ++col) {
        for (std::int32_t row = 0; row < kMaxGrid; ++row) {
            setCurrentRow(row);
            setCurrentCol(col);
            const Plane p = plane();
            for (const auto& [w, info] : windows_) {
                if (info.exempt || !info.managed || !info.isOnCurrentWS(p)) continue;
                target[w] = placeOf(info, info.screenPosition(p));
            }
        }
    }
    setCurrentRow(0);
    setCurrentCol(0);
    // A window further out than that (the grid shrank by more than one row or
    // column between runs) is put back where it sat on its own workspace.
    const Plane p = plane();
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed || target.count(w)) continue;
        target[w] = placeOf(info, info.homeScreenPosition(p));
    }
    Plan plan;
    for (const auto& [w, pos] : target) place(plan, snap, w, pos, true);
    released_ = true;
    return plan;  // nothing is hidden any more: the rescue list is empty
}

// ---- the window list of an earlier run ----

// Window handles are reused: after a crash, a handle in the list may name a
// new, unrelated window. Only a window that still sits exactly where one of
// our switches would have put it (or is still minimized) is taken back.
bool WorkspaceModel::liveWindowMatches(const WndInfo& record, const LiveWindow& live) const {
    if (record.minimized) return live.minimized;
    if (live.minimized) return false;
    const Rect& r = live.rect;
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
bool WorkspaceModel::takeBackStray(WndInfo& record, const LiveWindow& live, const Plane& p) const {
    if (live.visible) return false;
    const Rect& r = live.rect;
    const bool offScreen = r.right <= p.virtualLeft || r.left >= p.virtualRight() || r.bottom <= p.virtualTop ||
                           r.top >= p.virtualBottom();
    if (!live.minimized && !offScreen) return false;
    if (live.minimized) {
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
void WorkspaceModel::fitIntoGrid(WndInfo& record, const Plane& p) const {
    const auto cellOf = [](std::int64_t offset, std::int32_t size) -> std::int64_t {
        return size > 0 ? (offset < 0 ? -1 : offset / size) : -1;
    };
    const std::int64_t col = cellOf(std::int64_t{record.left} - p.virtualLeft, p.virtualWidth);
    const std::int64_t row = cellOf(std::int64_t{record.top} - p.virtualTop, p.virtualHeight);
    if (col >= 0 && col < p.cols && row >= 0 && row < p.rows) return;
    const Point home = record.homeScreenPosition(p);
    record.moveBy(home.x + p.offsetX() - record.left, home.y + p.offsetY() - record.top);
}

Plan WorkspaceModel::planRestore(const std::vector<WndInfo>& records, const Snapshot& snap) {
    const Plane p = plane();
    Plan plan;
    for (WndInfo record : records) {
        const WindowId w = record.hwnd;
        const LiveWindow* live = snap.find(w);
        if (record.exempt || windows_.count(w) || !live) continue;
        record.className = live->className;
        if (exemptReason(record.className, live->style) != ExemptReason::None) continue;
        if (!liveWindowMatches(record, *live) && !takeBackStray(record, *live, p)) continue;
        fitIntoGrid(record, p);
        record.managed = true;
        const bool onCurrent = record.isOnCurrentWS(p);
        const auto pos = placeOf(record, record.screenPosition(p));
        windows_.emplace(w, record);
        place(plan, snap, w, pos, onCurrent);
    }
    return finish(std::move(plan));
}

// ---- the preview ----

// Minimized, hidden, cloaked and click-through windows have no place in the
// preview; of the exempt windows the desktop itself and the preview's own
// windows are left out.
bool WorkspaceModel::previewable(const LiveWindow& live, const WndInfo& info, WindowId view) const {
    if (info.minimized || !info.managed) return false;
    if (live.cloaked || (live.exStyle & kExTransparent)) return false;
    if (info.exempt) {
        if (live.id == view || info.className == "Progman" || info.className == "WorkerW") return false;
        if (live.owner == view) return false;
    }
    return true;
}

// A topmost window would cover the preview: it goes just beyond the screen's
// bottom-right corner until the end, where it gets its place back. Windows of
// other workspaces are shown where they are (off the screen), so that their
// images are live.
void WorkspaceModel::showForPreview(Plan& plan, const Snapshot& snap, WindowId w, const WndInfo& info,
                                    const LiveWindow& live, const Plane& p) {
    if (info.exempt) return;
    const bool topmost = (live.exStyle & kExTopmost) != 0;
    if (topmost || !info.isOnCurrentWS(p))
        place(plan, snap, w,
              topmost ? std::optional<Point>(Point{metrics_.virtualWidth, metrics_.virtualHeight}) : std::nullopt,
              true);
}

PreviewPlan WorkspaceModel::planPreviewBegin(const Snapshot& snap, WindowId view) {
    rescan(snap);
    const Plane p = plane();
    PreviewPlan plan;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (!info || !previewable(live, *info, view)) continue;
        showForPreview(plan, snap, live.id, *info, live, p);
        plan.shown.push_back({live.id, (live.exStyle & kExTopmost) != 0});
    }
    plan.rescue = rescueList();
    return plan;
}

PreviewRefresh WorkspaceModel::planPreviewRefresh(const Snapshot& snap, WindowId view) {
    const Plane p = plane();
    PreviewRefresh refresh;
    for (const LiveWindow& live : snap.windows) {
        if (windows_.count(live.id) || !live.visible || live.minimized) continue;
        const WndInfo& info = windows_.emplace(live.id, newRecord(live, p)).first->second;
        if (info.exempt || !previewable(live, info, view)) continue;
        showForPreview(refresh, snap, live.id, info, live, p);
        refresh.added.push_back({live.id, (live.exStyle & kExTopmost) != 0});
    }
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (snap.find(it->first)) {
            ++it;
            continue;
        }
        refresh.dropped.push_back(it->first);
        shownByUs_.erase(it->first);
        it = windows_.erase(it);
    }
    refresh.rescue = rescueList();
    return refresh;
}

bool WorkspaceModel::moveRecord(WindowId w, std::int32_t dx, std::int32_t dy) {
    const auto it = windows_.find(w);
    if (it == windows_.end() || it->second.exempt) return false;
    it->second.moveBy(dx, dy);
    return true;
}

Plan WorkspaceModel::planPreviewEnd(const Snapshot& snap, std::int32_t row, std::int32_t col) {
    if (row >= 0) setCurrentRow(row);
    if (col >= 0) setCurrentCol(col);
    // Every managed window goes where the chosen workspace wants it, also
    // the windows dragged in the preview and those shown for it.
    const Plane p = plane();
    Plan plan;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (!info || info->exempt || !info->managed) continue;
        place(plan, snap, live.id, placeOf(*info, info->screenPosition(p)), info->isOnCurrentWS(p));
    }
    return finish(std::move(plan));
}

}  // namespace zelvane
