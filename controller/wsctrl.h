#pragma once
// WSController: the grid of workspaces, the registry of windows, switching,
// focus, which windows are managed, and the settings.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "config/settings_file.h"
#include "controller/activator.h"
#include "controller/desktop.h"
#include "controller/placement_executor.h"
#include "controller/plane.h"
#include "controller/taskbar.h"
#include "controller/tray_restorer.h"
#include "controller/volume.h"
#include "controller/volume_keeper.h"
#include "controller/wallpaper_keeper.h"
#include "controller/window_list_writer.h"
#include "controller/wndinfo.h"
#include "controller/workspace_model.h"

namespace zelvane {

// The workspace controller, the one object the windows talk to. It asks the
// workspace model for a plan, hands the plan to the placement executor, and
// keeps what a workspace remembers besides its windows (the wallpaper, the
// taskbar order, the volume). It reads the settings from the SettingsFile it
// is given; of them it changes only the exclusion list and the wallpaper
// table, and only through that object. UI thread only, unless a function
// says otherwise; nothing here waits for another program.
class WSController {
public:
    // The settings must outlive the controller.
    WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings, std::vector<std::string> systemClasses);
    WSController(std::shared_ptr<Desktop> desktop, SettingsFile& settings, std::vector<std::string> systemClasses,
                 Activator::Options activationOptions,
                 PlacementExecutor::Options placementOptions = PlacementExecutor::Options{});
    ~WSController();
    WSController(const WSController&) = delete;
    WSController& operator=(const WSController&) = delete;

    // --- grid and plane ---
    const Settings& settings() const { return settings_.values(); }
    std::int32_t wsRowNum() const { return model_.rows(); }
    std::int32_t wsColNum() const { return model_.cols(); }
    std::int32_t currentRow() const { return model_.currentRow(); }
    std::int32_t currentCol() const { return model_.currentCol(); }

    const ScreenMetrics& metrics() const { return model_.metrics(); }
    std::int32_t screenWidth() const { return metrics().screenWidth; }
    std::int32_t screenHeight() const { return metrics().screenHeight; }
    std::int32_t virtualWidth() const { return metrics().virtualWidth; }
    std::int32_t virtualHeight() const { return metrics().virtualHeight; }
    std::int32_t virtualLeft() const { return metrics().virtualLeft; }
    std::int32_t virtualTop() const { return metrics().virtualTop; }
    std::int32_t virtualRight() const { return virtualLeft() + virtualWidth(); }
    std::int32_t virtualBottom() const { return virtualTop() + virtualHeight(); }
    std::int32_t planeWidth() const { return virtualWidth() * wsColNum(); }
    std::int32_t planeHeight() const { return virtualHeight() * wsRowNum(); }
    std::int32_t planeLeft() const { return virtualLeft(); }
    std::int32_t planeTop() const { return virtualTop(); }
    std::int32_t planeRight() const { return planeLeft() + planeWidth(); }
    std::int32_t planeBottom() const { return planeTop() + planeHeight(); }
    Plane plane() const { return model_.plane(); }

    // Re-reads the screen metrics (after a display change): every managed
    // window keeps its workspace and its place inside it on the new cell
    // size, moved so that it lies on the new screen; the window list follows.
    void updateMetrics();
    // The grid changed size (a row or column added or removed, the square
    // grid of "distant view"): the windows of a removed row or column come
    // onto the nearest workspace that remains, so each one stays within
    // reach, and so does the current workspace if it was removed.
    void gridChanged();

    // --- switching ---
    // Refused (false) while the preview is open.
    bool switchWS(std::int32_t row, std::int32_t col, WindowId carried);

    // --- focus ---
    bool saveFocus();
    bool restoreFocus();
    bool setWSFocus(WindowId w, std::int32_t row, std::int32_t col);
    bool activateWindow(WindowId w);
    WindowId focusOf(std::int32_t row, std::int32_t col) const { return model_.focusOf(row, col); }

    // --- filtering ---
    // Lists the class in the settings' exclusion list (refused for the
    // system classes and a class listed already); its windows become exempt,
    // and those hidden on another workspace are shown where they are.
    bool addExclusion(const std::string& className);
    // Takes the class off the list (refused for the system classes); its
    // windows are managed again.
    bool removeExclusion(const std::string& className);
    ExemptReason exemptReason(const std::string& className, std::uint32_t style) const {
        return model_.exemptReason(className, style);
    }
    // Told, once per window, of each window the system refused to let us
    // place (a program running as administrator): it stays on every
    // workspace from then on. UI thread.
    void setRefusalHandler(std::function<void(const std::vector<WindowId>&)> handler) {
        onRefused_ = std::move(handler);
    }

    // --- registry and the window-list file ---
    // Also the wallpaper pictures' folder.
    void setDataDir(const std::string& dir) {
        dataDir_ = dir;
        wallpaper_.setDataDir(dir);
    }
    const std::string& dataDir() const { return dataDir_; }
    std::string resumeFilePath() const { return dataDir_ + "/_redume"; }
    bool saveWindowList();
    bool restoreWindowList();
    // Brings every managed window back onto the screen, shown. Never waits on
    // a window's program: the requests are posted, and a hung program carries
    // them out when it answers again. A second call with nothing switched in
    // between does nothing.
    void releaseAll();
    const std::map<WindowId, WndInfo>& windows() const { return model_.windows(); }
    const WorkspaceModel& model() const { return model_; }
    // Waits until the pending activation is carried out, and the window-list
    // file is written (tests and benchmarks); false when the time ran out.
    bool waitIdle(std::chrono::milliseconds timeout);
    // Whether a placement posted to w is still on its way.
    bool placementInFlight(WindowId w) const { return executor_.inFlight(w); }

    // --- the preview's side of the workspaces (the preview itself lives in
    //     preview/ and drives these) ---
    bool previewActive() const { return previewActive_; }
    // The preview opens: refused while one is open. From here on switches
    // are refused until leavePreview or endPreview.
    bool enterPreview();
    // Measures and shows what the preview pictures (on the window `view`).
    PreviewPlan beginPreview(WindowId view);
    // New windows shown in the preview, records of closed ones dropped.
    PreviewRefresh refreshPreview(WindowId view);
    // A window dragged in the preview: its plane rectangle moves.
    bool moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy) { return model_.moveRecord(w, dx, dy); }
    // Places every window for workspace (row, col) (-1: keep the current
    // row or column), makes it current, and puts back what a switch puts
    // back (the volume, the wallpaper, the taskbar order).
    bool endPreview(std::int32_t row, std::int32_t col);
    // The preview is gone without placing anything (releaseAll places all).
    void leavePreview() { previewActive_ = false; }
    // The top-level windows now, top of the Z order first.
    std::vector<WindowId> zOrder() const { return executor_.desktop().topLevelWindows(); }

private:
    // Reads the windows as the model needs them to place them.
    Snapshot placingSnapshot(unsigned extra = kReadNothing) const;
    // Carries a plan out; its focus window is brought forward once shown.
    void carryOut(const Plan& plan);

    SettingsFile& settings_;
    PlacementExecutor executor_;
    WorkspaceModel model_;
    bool previewActive_ = false;
    std::string dataDir_;
    std::function<void(const std::vector<WindowId>&)> onRefused_;

public:
    // ---- each workspace's wallpaper (controller/wallpaper_keeper.*) ----
    WallpaperKeeper& wallpaper() { return wallpaper_; }
    const WallpaperKeeper& wallpaper() const { return wallpaper_; }
    std::string previewBgPath() const { return wallpaper_.previewBgPath(); }

private:
    void removeWindowListFile();
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
    std::int32_t volumeOf(std::int32_t row, std::int32_t col, const std::string& device) const {
        return volumes_.volumeOf(row, col, device);
    }

private:
    std::shared_ptr<Taskbar> taskbar_;
    std::unique_ptr<MasterVolume> masterVolume_;
    VolumeKeeper volumes_;
    TrayOrderKeeper trayOrder_;  // its worker holds its own copies, never the controller
    // ---- end of the taskbar-order and volume block ----
    WallpaperKeeper wallpaper_;
    WindowListWriter listWriter_;
    // Declared last: destroyed first, while everything its workers might touch still exists.
    Activator activator_;
};

}  // namespace zelvane
