#pragma once
// The workspace model: the grid and its plane, the registry of windows, what
// each workspace remembers as its focus, and which windows are never moved.
// Every operation that moves windows is a plan function: it takes a snapshot
// of the live windows, updates the model and returns the placements to post,
// the window to bring forward and the list a crash rescue would show. No
// window system and no threads here; the placement executor reads the
// snapshots and carries the plans out.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/settings.h"
#include "controller/plan.h"
#include "controller/plane.h"
#include "controller/wndinfo.h"

namespace zelvane {

// A window the preview pictures.
struct PreviewedWindow {
    WindowId id = kNoWindow;
    bool topmost = false;  // always on top: it stays above the others in the preview too
};

// What the preview shows: the windows with a picture, top of the Z order first.
struct PreviewPlan : Plan {
    std::vector<PreviewedWindow> shown;
};

// What a refresh during the preview found.
struct PreviewRefresh : Plan {
    std::vector<PreviewedWindow> added;  // new windows to show, top of the Z order first
    std::vector<WindowId> dropped;       // records of windows that are gone
};

class WorkspaceModel {
public:
    // The grid size and the exclusion list are read from `settings`, which
    // must outlive the model.
    WorkspaceModel(const Settings& settings, std::vector<std::string> systemClasses);

    // --- the grid and the plane ---
    std::int32_t rows() const { return settings_.wsRowNum; }
    std::int32_t cols() const { return settings_.wsColNum; }
    std::int32_t currentRow() const { return currentRow_; }
    std::int32_t currentCol() const { return currentCol_; }
    const ScreenMetrics& metrics() const { return metrics_; }
    Plane plane() const;
    // The first metrics, before any window is known.
    void setMetrics(const ScreenMetrics& m) { metrics_ = m; }

    // --- the registry ---
    const std::map<WindowId, WndInfo>& windows() const { return windows_; }
    const WndInfo* find(WindowId w) const;
    // What a snapshot must read of w (ReadBits): for a rescan, switch,
    // release, display change or the end of a preview; for the preview's
    // periodic look; for taking back the window list of an earlier run.
    unsigned readsForPlacing(WindowId w) const;
    unsigned readsForRefresh(WindowId w) const;
    static unsigned readsForRestore(WindowId) { return kReadGeometry | kReadClass | kReadCloaking; }
    // Registers new windows, refreshes the known ones that are not in
    // flight, drops the records of windows that are gone.
    void rescan(const Snapshot& snap);
    // The window-list file's text: one line per managed record, and whose
    // windows they are (window_list_file.h).
    std::string windowListText(const SessionStamp& session) const;

    // --- what is never moved ---
    // Why a window is left alone: its class, its style, whose it is, and
    // (for the moment it lasts) whether the system keeps it off the screen.
    ExemptReason exemptReason(const LiveWindow& live) const;
    ExemptReason exemptReason(const std::string& className, std::uint32_t style) const;
    bool isSystemClass(const std::string& className) const;
    // The system refused to place these windows (a program running as
    // administrator): they are left where they are from now on, so they
    // stay on every workspace. Returns the ones refused for the first time.
    std::vector<WindowId> noteRefused(const std::vector<WindowId>& windows);
    // The class was put on the exclusion list: its records are exempt from
    // now on, and its windows hidden on other workspaces first come onto the
    // current one, where they sat on their own, since nothing would show them again.
    Plan excludeClass(const std::string& className);
    // The class came off the list: its records are managed again.
    void includeClass(const std::string& className);

    // --- focus memory ---
    void saveFocus(WindowId foreground);
    WindowId focusOf(std::int32_t row, std::int32_t col) const { return focusWnd_[row][col]; }
    // Remembers w as the focus of (row, col), or of every workspace when
    // both are negative.
    void setFocus(WindowId w, std::int32_t row, std::int32_t col);
    // The remembered focus of the current workspace if it will be visible;
    // otherwise its topmost window, or else the desktop. The foreground
    // must never stay on a window that was just hidden.
    WindowId focusTarget(const Snapshot& snap) const;

    // --- plan functions ---
    // Makes (row, col) current: every managed window goes to its place
    // relative to it, shown or hidden; `carried` stays where it is and
    // belongs to the new workspace from now on. Measures first.
    Plan planSwitch(const Snapshot& snap, std::int32_t row, std::int32_t col, WindowId carried);
    // The screen changed: every managed window, shown or hidden, keeps its
    // workspace and its place inside it, on the new cell size, moved so
    // that it lies on the new screen.
    Plan planDisplayChange(const Snapshot& snap, const ScreenMetrics& m);
    // The grid changed size: the windows of a removed row or column move
    // onto the nearest workspace that remains, keeping their place inside
    // it (so each one stays within reach), and so does the current
    // workspace if it was removed.
    Plan planGridChange(const Snapshot& snap);
    // Every managed window back on the screen, shown: a window of the
    // current workspace where it is, any other at its home position on its
    // own workspace, wholly on the screen where it fits. Nothing when
    // nothing changed since the last release.
    Plan planRelease(const Snapshot& snap);
    // The window list of a run that ended without releasing: its windows,
    // still hidden where we left them (or where the rescue put them), are
    // taken back. measuredOn is the screen the list was written on, when it
    // says; its places are carried over onto the screen of now.
    Plan planRestore(const std::vector<WndInfo>& records, const std::optional<ScreenMetrics>& measuredOn,
                     const Snapshot& snap);
    // The preview opens on `view`: measures, then shows the windows of other
    // workspaces where they are (off the screen) for their pictures and moves
    // topmost windows out of the way.
    PreviewPlan planPreviewBegin(const Snapshot& snap, WindowId view);
    // The preview's periodic look: new windows are registered and shown,
    // records of closed ones dropped.
    PreviewRefresh planPreviewRefresh(const Snapshot& snap, WindowId view);
    // Moves a window's plane rectangle (a drag in the preview, the carried
    // window of a slide); the window itself moves at the end of the preview.
    bool moveRecord(WindowId w, std::int32_t dx, std::int32_t dy);
    // The preview ends on (row, col) (-1: keep the current row or column):
    // every managed window goes where that workspace wants it.
    Plan planPreviewEnd(const Snapshot& snap, std::int32_t row, std::int32_t col);

    // Whether the preview shows w (in a snapshot with the preview's details).
    bool previewable(const LiveWindow& live, const WndInfo& info, WindowId view) const;

    // Every window whose state we changed (hidden, shown off the screen for
    // the preview, moved aside), at the place it goes should we die now.
    std::vector<RescuePlacement> rescueList() const;

private:
    // What our last placement of a window did to it.
    enum class Placed { InPlace, Hidden, Away };

    void setCurrentRow(std::int32_t v);
    void setCurrentCol(std::int32_t v);
    WndInfo newRecord(const LiveWindow& live, const Plane& p) const;
    // Adds w's placement unless the window is there already (and nothing
    // posted to it is still on the way); remembers what it did to the window.
    void place(Plan& plan, const Snapshot& snap, WindowId w, std::optional<Point> pos, bool show);
    Plan finish(Plan plan) const;
    bool willBeVisible(WindowId w, const Snapshot& snap, const Plane& p) const;
    bool liveWindowMatches(const WndInfo& record, const LiveWindow& live, const Plane& then) const;
    bool takeBackStray(WndInfo& record, const LiveWindow& live, const Plane& then, const Plane& p) const;
    // Moves a window that lies on a row or column past the grid onto the
    // nearest one of the grid, keeping its place inside; true when it moved.
    bool fitIntoGrid(WndInfo& record, const Plane& p) const;
    // The same for every managed record; returns those that moved.
    std::vector<WindowId> fitRecordsIntoGrid();
    void showForPreview(Plan& plan, const Snapshot& snap, WindowId w, const WndInfo& info, const LiveWindow& live,
                        const Plane& p);

    const Settings& settings_;
    std::int32_t currentRow_ = 0;
    std::int32_t currentCol_ = 0;
    ScreenMetrics metrics_;
    std::map<WindowId, WndInfo> windows_;
    std::unordered_map<WindowId, Placed> placed_;  // what our last placement of each window did
    bool released_ = false;                          // released and nothing switched since
    WorkspaceTable<WindowId> focusWnd_{};
    std::vector<std::string> systemClasses_;
};

}  // namespace zelvane
