#include "controller/workspace_model.h"

#include <algorithm>
#include <utility>

#include "controller/window_list_file.h"

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

// Cloaking is read for every window we may move (exempt ones never are):
// a visible window the system keeps cloaked is not ours to measure or hide.
unsigned WorkspaceModel::readsForPlacing(WindowId w) const {
    const WndInfo* info = find(w);
    if (!info) return kReadVisibility | kReadClass | kReadCloaking;
    if (info->exempt) return kReadVisibility;
    return info->managed ? kReadVisibility | kReadGeometry | kReadCloaking : kReadVisibility | kReadCloaking;
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
    // Cloaking passes (an app comes back from suspension, the user returns
    // to the system's desktop that holds it): it only keeps the window
    // unmeasured while it lasts, and never makes the record exempt.
    const ExemptReason reason = exemptReason(live);
    if (reason != ExemptReason::None && reason != ExemptReason::Cloaked) {
        info.exempt = true;
        info.reason = reason;
    }
    info.update(live, p);
    return info;
}

void WorkspaceModel::rescan(const Snapshot& snap) {
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (!snap.find(it->first)) {
            placed_.erase(it->first);
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

std::string WorkspaceModel::windowListText(const SessionStamp& session) const {
    return formatWindowList(windows_, session, metrics_);
}

// ---- placements and the rescue list ----

void WorkspaceModel::place(Plan& plan, const Snapshot& snap, WindowId w, std::optional<Point> pos, bool show) {
    const Plane p = plane();
    const WndInfo* info = find(w);
    const bool inPlace = show && info && info->isOnCurrentWS(p) && (!pos || *pos == info->screenPosition(p));
    placed_[w] = !show ? Placed::Hidden : inPlace ? Placed::InPlace : Placed::Away;
    // Each request is work for the window's program: skip one that would
    // change nothing. The live state is trustworthy only when nothing posted
    // earlier is still on its way.
    const LiveWindow* live = snap.find(w);
    if (live && !live->inFlight && live->visible == show &&
        (!pos || (live->rect.left == pos->x && live->rect.top == pos->y)))
        return;
    plan.placements.push_back({w, pos, show});
}

// Every window whose state we changed and have not put back: the windows we
// hid, and those the preview (or a slide, which begins one) shows off the
// screen or moved aside. Each goes where a clean exit would put it.
std::vector<RescuePlacement> WorkspaceModel::rescueList() const {
    const Plane p = plane();
    std::vector<RescuePlacement> list;
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const auto placed = placed_.find(w);
        if (placed == placed_.end() || placed->second == Placed::InPlace) continue;
        list.push_back({w, placeOf(info, info.releasePosition(p))});
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

ExemptReason WorkspaceModel::exemptReason(const LiveWindow& live) const {
    // Our own windows (a message box of ours has a common class) follow us
    // to every workspace.
    if (live.ours) return ExemptReason::OwnWindow;
    const ExemptReason byClass = exemptReason(live.className, live.style);
    if (byClass != ExemptReason::None) return byClass;
    return live.visible && live.cloaked ? ExemptReason::Cloaked : ExemptReason::None;
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
        info.reason = ExemptReason::Excluded;
        placed_.erase(w);
    }
    return finish(std::move(plan));
}

void WorkspaceModel::includeClass(const std::string& className) {
    // Our own windows and those the system will not let us place stay
    // exempt whatever their class.
    for (auto& [w, info] : windows_)
        if (info.exempt && info.className == className && info.reason != ExemptReason::OwnWindow &&
            info.reason != ExemptReason::Refused) {
            info.exempt = false;
            info.reason = ExemptReason::None;
        }
}

std::vector<WindowId> WorkspaceModel::noteRefused(const std::vector<WindowId>& refused) {
    std::vector<WindowId> fresh;
    for (WindowId w : refused) {
        const auto it = windows_.find(w);
        if (it == windows_.end() || it->second.reason == ExemptReason::Refused) continue;
        // Left where it is: we did not change it, so nothing is to be rescued.
        it->second.exempt = true;
        it->second.reason = ExemptReason::Refused;
        placed_.erase(w);
        fresh.push_back(w);
    }
    return fresh;
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
    fitRecordsIntoGrid();  // the grid may have shrunk since the last plan
    const Plane p = plane();

    // The windows leaving go first, so the old workspace is gone from the
    // screen as early as possible (a program that owns windows of both
    // workspaces takes the requests in the order they are posted).
    Plan plan;
    for (const bool show : {false, true}) {
        for (const LiveWindow& live : snap.windows) {
            if (live.id == carried || live.cloaked) continue;
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
    const Plane before = plane();
    metrics_ = m;
    const Plane after = plane();
    const Cell current{currentRow_, currentCol_};
    for (auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const LiveWindow* live = snap.find(w);
        if (!live || live->cloaked) continue;
        const auto placed = placed_.find(w);
        const bool inItsOwnPlace = placed == placed_.end() || placed->second == Placed::InPlace;
        if (inItsOwnPlace && live->visible && !live->inFlight) {
            // Shown on the current workspace: where it is now, on the new
            // screen (the system may have moved it already), kept on it.
            info.update(*live, after);
            if (info.minimized) continue;
            const Point origin = cellOrigin(current, after);
            std::int32_t dx = info.left - origin.x;
            std::int32_t dy = info.top - origin.y;
            if (after.virtualWidth != before.virtualWidth) dx = fitIntoCell(dx, info.width(), after.virtualWidth);
            if (after.virtualHeight != before.virtualHeight) dy = fitIntoCell(dy, info.height(), after.virtualHeight);
            info.moveBy(origin.x + dx - info.left, origin.y + dy - info.top);
        } else {
            info.rebase(info.isOnCurrentWS(before) ? current : info.homeCell(before), before, after);
        }
    }
    fitRecordsIntoGrid();
    Plan plan;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (!info || info->exempt || !info->managed || live.cloaked) continue;
        // A window its own program hid (one minimized to the tray) stays as
        // it is; the others go to their new places.
        const auto placed = placed_.find(live.id);
        const bool hiddenByUs = placed != placed_.end() && placed->second == Placed::Hidden;
        if (!live.visible && !hiddenByUs) continue;
        place(plan, snap, live.id, placeOf(*info, info->screenPosition(after)), info->isOnCurrentWS(after));
    }
    return finish(std::move(plan));
}

// By the cell of its top-left corner: a window that overhangs the grid's
// outer edge still belongs to the cell it starts in.
bool WorkspaceModel::fitIntoGrid(WndInfo& record, const Plane& p) const {
    const Cell corner = record.cornerCell(p);
    const Cell kept{std::min(corner.row, p.rows - 1), std::min(corner.col, p.cols - 1)};
    if (kept == corner) return false;
    record.moveToCell(corner, kept, p);
    return true;
}

std::vector<WindowId> WorkspaceModel::fitRecordsIntoGrid() {
    const Plane p = plane();
    std::vector<WindowId> moved;
    for (auto& [w, info] : windows_)
        if (!info.exempt && info.managed && fitIntoGrid(info, p)) moved.push_back(w);
    return moved;
}

Plan WorkspaceModel::planGridChange(const Snapshot& snap) {
    // The menu leaves a row or column before removing it; a workspace past
    // the grid is left all the same, for the nearest one.
    const bool currentRemoved = currentRow_ >= rows() || currentCol_ >= cols();
    currentRow_ = std::min(currentRow_, rows() - 1);
    currentCol_ = std::min(currentCol_, cols() - 1);
    const std::vector<WindowId> moved = fitRecordsIntoGrid();
    const Plane p = plane();
    Plan plan;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (!info || info->exempt || !info->managed || live.cloaked) continue;
        if (!currentRemoved && std::find(moved.begin(), moved.end(), live.id) == moved.end()) continue;
        const auto placed = placed_.find(live.id);
        const bool hiddenByUs = placed != placed_.end() && placed->second == Placed::Hidden;
        if (!live.visible && !hiddenByUs) continue;  // hidden by its own program
        place(plan, snap, live.id, placeOf(*info, info->screenPosition(p)), info->isOnCurrentWS(p));
    }
    if (currentRemoved) plan.focus = focusTarget(snap);
    released_ = false;
    return finish(std::move(plan));
}

Plan WorkspaceModel::planRelease(const Snapshot& snap) {
    if (released_) return {};
    // A window of the current workspace stays where the user sees it; every
    // other one comes to its home position on its own workspace (the cell
    // of its larger part, so one that overhangs an edge does not land in
    // the cell beyond), wholly on the screen where it fits.
    const Plane p = plane();
    std::vector<std::pair<WindowId, std::optional<Point>>> targets;
    for (const auto& [w, info] : windows_) {
        if (info.exempt || !info.managed) continue;
        const LiveWindow* live = snap.find(w);
        if (!live || live->cloaked) continue;
        targets.emplace_back(w, placeOf(info, info.releasePosition(p)));
    }
    setCurrentRow(0);
    setCurrentCol(0);
    Plan plan;
    for (const auto& [w, pos] : targets) place(plan, snap, w, pos, true);
    placed_.clear();
    released_ = true;
    return plan;  // nothing is hidden any more: the rescue list is empty
}

// ---- the window list of an earlier run ----

// Window handles are reused: after a crash, a handle in the list may name a
// new, unrelated window. Only a window that still sits exactly where we left
// it is taken back: where one of our switches put it, where the rescue put
// it (its home position), aside for the preview, or still minimized.
bool WorkspaceModel::liveWindowMatches(const WndInfo& record, const LiveWindow& live, const Plane& then) const {
    if (record.minimized) return live.minimized;
    if (live.minimized) return false;
    const Rect& r = live.rect;
    if (r.right - r.left != record.width() || r.bottom - r.top != record.height()) return false;
    const auto at = [&](Point pos) { return pos.x == r.left && pos.y == r.top; };
    if (at(record.homeScreenPosition(then)) || at(Point{then.virtualWidth, then.virtualHeight})) return true;
    for (std::int32_t row = 0; row < kMaxGrid; ++row)
        for (std::int32_t col = 0; col < kMaxGrid; ++col)
            if (at(record.screenPosition(then.at(row, col)))) return true;
    return false;
}

// A window we hid before a crash that no longer sits exactly where we left
// it: its program resized it, or the screen changed between the runs and an
// older list does not say how. If it is still hidden and off the visible
// screen, nobody but us would ever show it again, so it is taken back with
// its live size. A visible window is left alone: its handle may now name an
// unrelated window.
bool WorkspaceModel::takeBackStray(WndInfo& record, const LiveWindow& live, const Plane& then, const Plane& p) const {
    if (live.visible) return false;
    const Rect& r = live.rect;
    const bool offScreen = r.right <= p.virtualLeft || r.left >= p.virtualRight() || r.bottom <= p.virtualTop ||
                           r.top >= p.virtualBottom();
    if (!live.minimized && !offScreen) return false;
    if (live.minimized) {  // minimized while we were gone: the point of its workspace
        const Cell cell = record.homeCell(then);
        record.minimized = true;
        record.left = record.right = cell.col * then.virtualWidth;
        record.top = record.bottom = cell.row * then.virtualHeight;
        record.marginX = record.marginY = 0;
        return true;
    }
    if (record.minimized) {  // restored while we were gone: it goes to the workspace it was minimized on
        record.minimized = false;
        const Point origin = cellOrigin(record.homeCell(then), then);
        record.left = record.right = origin.x;
        record.top = record.bottom = origin.y;
    }
    const std::int32_t width = r.right - r.left;
    const std::int32_t height = r.bottom - r.top;
    record.right = record.left + width;
    record.bottom = record.top + height;
    record.marginX = width > 20 ? 10 : 0;
    record.marginY = height > 20 ? 10 : 0;
    return true;
}

Plan WorkspaceModel::planRestore(const std::vector<WndInfo>& records, const std::optional<ScreenMetrics>& measuredOn,
                                 const Snapshot& snap) {
    const Plane p = plane();
    Plane then = p;
    if (measuredOn) {
        then.virtualLeft = measuredOn->virtualLeft;
        then.virtualTop = measuredOn->virtualTop;
        then.virtualWidth = measuredOn->virtualWidth;
        then.virtualHeight = measuredOn->virtualHeight;
    }
    Plan plan;
    for (WndInfo record : records) {
        const WindowId w = record.hwnd;
        const LiveWindow* live = snap.find(w);
        if (record.exempt || windows_.count(w) || !live) continue;
        // A list that names the class tells a reused handle at once.
        if (!record.className.empty() && record.className != live->className) continue;
        record.className = live->className;
        if (exemptReason(*live) != ExemptReason::None) continue;
        if (!liveWindowMatches(record, *live, then) && !takeBackStray(record, *live, then, p)) continue;
        // Its workspace and its place inside it, on the screen of now.
        const Cell cell = record.homeCell(then);
        record.rebase(cell, then, p);
        // A workspace past the grid (a smaller screen or grid then) gives
        // way to the nearest one of the grid.
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
        placed_.erase(it->first);
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
    fitRecordsIntoGrid();
    // Every managed window goes where the chosen workspace wants it, also
    // the windows dragged in the preview and those shown for it.
    const Plane p = plane();
    Plan plan;
    for (const LiveWindow& live : snap.windows) {
        const WndInfo* info = find(live.id);
        if (!info || info->exempt || !info->managed || live.cloaked) continue;
        place(plan, snap, live.id, placeOf(*info, info->screenPosition(p)), info->isOnCurrentWS(p));
    }
    return finish(std::move(plan));
}

}  // namespace zelvane
