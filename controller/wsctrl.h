#pragma once
// WSController: the grid of workspaces, the registry of windows, switching,
// focus and which windows are managed. It reads the settings from the
// SettingsFile it is given; of them it changes only the exclusion list and
// the wallpaper table, and only through that object.
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/settings_file.h"
#include "controller/desktop.h"
#include "controller/activator.h"
#include "controller/plane.h"
#include "controller/window_list_writer.h"
#include "controller/taskbar.h"
#include "controller/tray_restorer.h"
#include "controller/volume.h"
#include "controller/volume_keeper.h"
#include "controller/wallpaper_system.h"
#include "controller/wndinfo.h"
#include "preview/preview_surface.h"

namespace zelvane {

// Why a window is never moved, hidden or shown.
enum class ExemptReason { None, SystemClass, Excluded, PlayerSkin };

class WSController {
public:
    // The settings must outlive the controller.
    WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings, std::vector<std::string> systemClasses);
    WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings, std::vector<std::string> systemClasses,
                 Activator::Options activationOptions);
    ~WSController();
    WSController(const WSController&) = delete;
    WSController& operator=(const WSController&) = delete;

    // --- grid and plane ---
    std::int32_t wsRowNum() const { return settings_.values().wsRowNum; }
    std::int32_t wsColNum() const { return settings_.values().wsColNum; }
    std::int32_t currentRow() const { return currentRow_; }
    std::int32_t currentCol() const { return currentCol_; }

    std::int32_t screenWidth() const { return metrics_.screenWidth; }
    std::int32_t screenHeight() const { return metrics_.screenHeight; }
    std::int32_t virtualWidth() const { return metrics_.virtualWidth; }
    std::int32_t virtualHeight() const { return metrics_.virtualHeight; }
    std::int32_t virtualLeft() const { return metrics_.virtualLeft; }
    std::int32_t virtualTop() const { return metrics_.virtualTop; }
    std::int32_t virtualRight() const { return metrics_.virtualLeft + metrics_.virtualWidth; }
    std::int32_t virtualBottom() const { return metrics_.virtualTop + metrics_.virtualHeight; }
    std::int32_t planeWidth() const { return virtualWidth() * wsColNum(); }
    std::int32_t planeHeight() const { return virtualHeight() * wsRowNum(); }
    std::int32_t planeLeft() const { return virtualLeft(); }
    std::int32_t planeTop() const { return virtualTop(); }
    std::int32_t planeRight() const { return planeLeft() + planeWidth(); }
    std::int32_t planeBottom() const { return planeTop() + planeHeight(); }
    Plane plane() const;

    // Re-reads the screen metrics and shows again the windows that we hid
    // and that the new plane puts on the current workspace (after a display
    // change).
    void updateMetrics();

    // --- switching ---
    bool switchWS(std::int32_t row, std::int32_t col, WindowId carried);

    // --- focus ---
    bool saveFocus();
    bool restoreFocus();
    bool setWSFocus(WindowId w, std::int32_t row, std::int32_t col);
    bool activateWindow(WindowId w);
    WindowId focusOf(std::int32_t row, std::int32_t col) const { return focusWnd_[row][col]; }

    // --- filtering ---
    // Lists the class in the settings' exclusion list (refused for the
    // system classes and a class listed already); its windows become exempt,
    // and those hidden on another workspace are shown where they are.
    bool addExclusion(const std::string& className);
    // Takes the class off the list (refused for the system classes); its
    // windows are managed again.
    bool removeExclusion(const std::string& className);
    ExemptReason exemptReason(const std::string& className, std::uint32_t style) const;

    // --- registry and the window-list file ---
    void setDataDir(const std::string& dir) { dataDir_ = dir; }
    const std::string& dataDir() const { return dataDir_; }
    std::string resumeFilePath() const { return dataDir_ + "/_redume"; }
    bool saveWindowList();
    bool restoreWindowList();
    // Brings every managed window back onto the screen, shown. Never waits on
    // a window's program: the requests are posted, and a hung program carries
    // them out when it answers again. A second call with nothing switched in
    // between does nothing.
    void releaseAll();
    const std::map<WindowId, WndInfo>& windows() const { return windows_; }
    // Moves w to pos (unless empty), then shows or hides it, through the same
    // path as a switch: never waits for w's program.
    void placeWindow(WindowId w, std::optional<Point> pos, bool show);
    // Waits until the pending activation is carried out, and the window-list
    // file is written (tests and benchmarks); false when the time ran out.
    bool waitIdle(std::chrono::milliseconds timeout);

    // --- preview state ---
    bool previewActive() const { return previewActive_; }

    // ---- the preview and the animated switch (preview/preview_ops.cpp).
    //      The drawing goes through a PreviewSurface; all of these run on the
    //      UI thread and none waits for another program. ----
    void setPreviewSurface(std::shared_ptr<PreviewSurface> surface) { previewSurface_ = std::move(surface); }
    bool isCompositionEnabled() const;
    // Creates the canvas (sized like rect) and an image source for every
    // window shown in the preview. Refused while a preview is open; after a
    // false return the preview is still open and endPreview closes it.
    bool beginPreview(WindowId view, const Rect& rect);
    // Capture path: starts the pictures of every window shown. Called once
    // the first frame is on the screen: starting fifty capture workers
    // before it held that frame up, and it could not show their pictures yet.
    void requestPreviewPictures();
    // Where the whole plane is drawn on the view window.
    void setPreviewRect(const Rect& rect);
    const Rect& previewRect() const { return previewRect_; }
    // The same, with `carried` travelling along with the view (its plane
    // rectangle moves by the view's shift, so it stays still on the screen);
    // every thumbnail is placed once, never half-way.
    void setPreviewRectCarrying(const Rect& rect, WindowId carried);
    bool paintPreview(bool refresh, bool present);
    // Places every window for workspace (row, col) (-1: keep the current
    // row or column), makes it current and frees the canvas and sources.
    bool endPreview(std::int32_t row, std::int32_t col);
    // Frees what an open preview holds and shows the taskbar again, without
    // placing any window (for releaseAll, which places them all itself).
    void abandonPreview();
    WindowId windowAt(std::int32_t x, std::int32_t y) const;
    // The window being dragged is drawn above every other one but the
    // topmost windows, and found first under the cursor, until the preview ends.
    void raiseInPreview(WindowId w);
    bool moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy);
    bool previewMode() const { return previewMode_; }
    void setPreviewMode(bool animatedSwitch) { previewMode_ = animatedSwitch; }
    void setPreviewActive(bool active) { previewActive_ = active; }
    bool previewed(WindowId w) const { return previewed_.count(w) != 0; }

private:
    bool previewable(WindowId w, const WndInfo& info) const;
    void addPreviewSource(WindowId w, const WndInfo& info, const Plane& p);
    void updateThumbnails(WindowId w, bool reRegister);
    void updateAllThumbnails(bool reRegister, bool bottomUp);
    Rect toView(const Rect& planeRect) const;
    // The windows from the top as the preview stacks them: the Z order with
    // the raised window just below the topmost windows.
    std::vector<WindowId> previewStack() const;

    std::shared_ptr<PreviewSurface> previewSurface_;
    std::set<WindowId> previewed_;  // windows with an image source
    WindowId previewWindow_ = kNoWindow;
    Rect previewRect_;
    std::int32_t canvasWidth_ = 0;
    std::int32_t canvasHeight_ = 0;
    bool canvasReady_ = false;
    std::vector<Rect> dirty_;  // plane rectangles to repaint on the canvas
    WindowId raised_ = kNoWindow;  // drawn above the others (the window dragged)
    bool previewMode_ = false;  // true: the animated switch, false: the full preview
    // ---- end of the preview block ----

public:
    // ---- per-workspace wallpaper (controller/wallpaper.cpp). UI thread
    //      only; nothing here waits for another program ----
    // Without a system side (the tests' default) nothing is applied or captured.
    void setWallpaperSystem(std::shared_ptr<WallpaperSystem> system) { wallpaperSystem_ = std::move(system); }
    static constexpr std::int32_t spreadScale() { return 125; }  // percent magnification of "distant view"
    std::string previewBgPath() const;  // the spread picture of "distant view"
    std::string workspaceBitmapPath(std::int32_t row, std::int32_t col) const;  // a workspace's snapshot
    std::string userWallpaperRecordPath() const;  // the user's own wallpaper, recorded before the first change
    // Puts the wallpaper of (row, col) in force; a negative row or column
    // stands for the current one. False with "default" (0) wallpapers, and
    // when the picture was refused (the desktop then has none).
    bool applyWallpaper(std::int32_t row, std::int32_t col);
    // Snapshots the desktop's wallpaper: into the current workspace's bitmap
    // file, or in "distant view" into the spread picture, which is then cut
    // for the grid. A desktop that shows one of our own bitmaps is not
    // snapshotted over the picture it came from.
    bool captureWallpaper();
    // After a grid change in "distant view": cuts the spread picture again for
    // the new grid (snapshots the desktop only when there is no spread picture).
    bool respreadWallpaper();
    // Puts back the wallpaper the user had before Zelvane first changed it,
    // and forgets the record. Nothing when there is no record.
    void restoreUserWallpaper();
    // ---- end of the per-workspace wallpaper block ----

private:
    void setCurrentRow(std::int32_t v);
    void setCurrentCol(std::int32_t v);
    // Refreshes the registry; returns the top-level windows, top of the Z order first.
    std::vector<WindowId> rescan();
    WndInfo newRecord(WindowId w, const Plane& plane) const;
    bool willBeVisible(WindowId w, const Plane& plane) const;
    WindowId focusTarget(const std::vector<WindowId>& zOrder) const;
    bool liveWindowMatches(const WndInfo& record) const;
    bool takeBackStray(WndInfo& record, const Plane& p) const;
    void fitIntoGrid(WndInfo& record, const Plane& p) const;
    // Posts w's placement unless the window is already there (and nothing
    // posted to it is still on the way).
    void place(WindowId w, std::optional<Point> pos, bool show);
    // Hands the desktop the places every hidden window must go to should this
    // process die.
    void publishRescueList();
    void showNewlyExempt(const std::string& className);
    void removeWindowListFile();

    std::shared_ptr<Desktop> desktop_;
    SettingsFile& settings_;
    std::int32_t currentRow_ = 0;
    std::int32_t currentCol_ = 0;
    ScreenMetrics metrics_;
    WorkspaceTable<WindowId> focusWnd_{};
    std::map<WindowId, WndInfo> windows_;
    std::mutex registryLock_;
    std::unordered_map<WindowId, bool> shownByUs_;  // whether our last placement of a window showed it
    bool released_ = false;                         // releaseAll ran and nothing switched since
    std::vector<std::string> systemClasses_;
    bool previewActive_ = false;
    std::string dataDir_;
    // ---- taskbar button order and per-workspace volume
    //      (controller/workspace_memories.cpp) ----
public:
    // The shell's taskbar and the master volume; none by default (then the
    // order is recorded as empty and no volume is kept). Set once at start-up.
    void setTaskbar(std::shared_ptr<Taskbar> taskbar) { taskbar_ = std::move(taskbar); }
    void setMasterVolume(std::unique_ptr<MasterVolume> volume) { masterVolume_ = std::move(volume); }
    // What leaving the current workspace for (row, col) records, each as its
    // setting asks: the taskbar order and the volume (the volume of (row,
    // col) is set here too). Called before the current workspace changes.
    // May block for a short, bounded read of the taskbar.
    void leaveWorkspace(std::int32_t row, std::int32_t col);
    // What entering the (now current) workspace puts back: the taskbar order,
    // on the keeper's worker. Never blocks.
    void enterWorkspace();
    // Records the taskbar order of the current workspace (bounded; a read
    // that does not finish keeps the order recorded before).
    const std::vector<WindowId>& saveTrayOrder();
    // Puts the current workspace's order back on the keeper's worker; returns at once.
    bool restoreTrayOrder();
    // Calls off a pending restore (a preview opens, the program ends).
    void cancelTrayRestore() { trayOrder_.cancel(); }
    const std::vector<WindowId>& trayOrderOf(std::int32_t row, std::int32_t col) const {
        return trayOrder_.orderOf(row, col);
    }
    int pendingTrayRestores() const { return trayOrder_.pending(); }
    bool waitTrayRestoresIdle(std::chrono::milliseconds limit) { return trayOrder_.waitIdle(limit); }
    bool switchVolume(std::int32_t oldRow, std::int32_t oldCol, std::int32_t newRow, std::int32_t newCol);
    std::int32_t volumeOf(std::int32_t row, std::int32_t col) const { return volumes_.volumeOf(row, col); }

private:
    std::shared_ptr<Taskbar> taskbar_;
    std::unique_ptr<MasterVolume> masterVolume_;
    VolumeKeeper volumes_;
    TrayOrderKeeper trayOrder_;  // its worker holds its own copies, never the controller
    // ---- end of the taskbar-order and volume block ----
    // ---- per-workspace wallpaper (controller/wallpaper.cpp) ----
    void recordUserWallpaper();
    bool spreadWallpaper();
    bool isOwnBitmap(const std::string& path) const;
    std::shared_ptr<WallpaperSystem> wallpaperSystem_;
    std::optional<DesktopWallpaper> userWallpaper_;  // also kept in the data folder
    // ---- end of the per-workspace wallpaper block ----
    WindowListWriter listWriter_;
    // Declared last: destroyed first, while everything its workers might touch still exists.
    Activator activator_;
};

}  // namespace zelvane
