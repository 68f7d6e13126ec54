#pragma once
// Each workspace's wallpaper: the picture each workspace shows, the
// snapshots of the desktop's wallpaper, the spread picture of "distant view"
// and its pieces, and the user's own wallpaper, which is recorded before the
// first change and put back when Zelvane stops managing the wallpaper.
// UI thread only, unless a function says otherwise; the pieces are cut on a
// worker, and nothing here waits for another program.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/settings_file.h"
#include "controller/piece_cutter.h"
#include "controller/plane.h"
#include "controller/wallpaper_record.h"
#include "controller/wallpaper_system.h"
#include "controller/workspace_model.h"

namespace zelvane {

class WallpaperKeeper {
public:
    // Reads the grid and the current workspace from the model and keeps each
    // workspace's picture in the settings; both must outlive the keeper.
    WallpaperKeeper(SettingsFile& settings, const WorkspaceModel& model);
    ~WallpaperKeeper();
    WallpaperKeeper(const WallpaperKeeper&) = delete;
    WallpaperKeeper& operator=(const WallpaperKeeper&) = delete;

    // Without a system side (the tests' default) nothing is applied or captured.
    void setSystem(std::shared_ptr<WallpaperSystem> system) { system_ = std::move(system); }
    // The data folder. Temporary bitmap files that an earlier run left
    // behind there (each may be as large as the screen) are removed.
    void setDataDir(const std::string& dir);
    // Called on the cutter's worker whenever a piece of the spread picture
    // is done; the UI thread then calls takeCutPieces.
    void setCutNotice(std::function<void()> notice) { cutter_.setNotice(std::move(notice)); }

    static constexpr std::int32_t spreadScale() { return 125; }  // percent magnification of "distant view"
    std::string previewBgPath() const;  // the spread picture of "distant view"
    std::string workspaceBitmapPath(std::int32_t row, std::int32_t col) const;  // a snapshot, or a piece
    std::string recordPath() const;  // the user's own wallpaper

    // Puts the wallpaper of (row, col) in force; a negative row or column
    // stands for the current one. Nothing is done when the desktop shows
    // that picture already (the system would decode it again). A piece that
    // is still being cut is stood in for by the whole spread picture. False
    // with "default" (0) wallpapers and when the picture was refused (the
    // desktop then has none).
    bool apply(std::int32_t row, std::int32_t col);
    // Snapshots the desktop's wallpaper: into the current workspace's bitmap
    // file, or in "distant view" into the spread picture, which is then cut
    // for the grid. A desktop that shows a piece of the spread picture is not
    // snapshotted over the picture it came from.
    bool capture();
    // After a grid change in "distant view": cuts the spread picture again
    // for the new grid (snapshots the desktop first only when there is no
    // spread picture). Returns once the cutting has started.
    bool respread();
    // Puts back the wallpaper the user had before Zelvane first changed it,
    // and forgets the record once that has worked. A wallpaper the user chose
    // since is left as it is. Nothing when there is no record.
    void restoreUser();

    // UI thread, after the cut notice: each piece done is no longer stood
    // in for, one that failed is replaced by the whole spread picture, and
    // the current workspace's piece is put up. True when the desktop changed.
    bool takeCutPieces();
    bool cutting() const { return cutter_.busy(); }
    // Waits until no piece is waiting to be cut (tests and benchmarks).
    bool waitForCuts(std::chrono::milliseconds limit) { return cutter_.waitIdle(limit); }

private:
    bool spread();
    void recordUser();
    std::optional<WallpaperRecord> readRecord() const;
    void forgetRecord();
    bool isOwnFile(const std::string& path) const;
    bool isOurs(const std::string& path) const;
    bool shows(const DesktopWallpaper& w) const;

    SettingsFile& settings_;
    const WorkspaceModel& model_;
    std::string dataDir_;
    std::shared_ptr<WallpaperSystem> system_;
    // The user's own wallpaper, once read or taken (also kept in the data
    // folder); checked once per run.
    std::optional<WallpaperRecord> record_;
    bool recordChecked_ = false;
    // What we last put up and what the system then reported: while it still
    // reports that, the desktop shows our picture.
    std::optional<DesktopWallpaper> put_;
    DesktopWallpaper reportedAfterPut_;
    bool putPiece_ = false;  // what we last put up is a piece of the spread picture
    WorkspaceTable<bool> pending_{};  // pieces still being cut
    std::uint64_t job_ = 0;
    PieceCutter cutter_;  // declared last: its worker stops first
};

}  // namespace zelvane
