#include "controller/wallpaper_keeper.h"

#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "config/text_file.h"
#include "controller/wallpaper_geometry.h"

namespace zelvane {

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::u8path(path), ec);
}

void removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(fs::u8path(path), ec);
}

// Left behind by a run that ended while writing a picture or the record:
// "1_2.bmp.tmp-<number>-<number>" and the like.
bool isStaleTemporary(const std::string& name) {
    return name.find(".bmp.tmp-") != std::string::npos || name.rfind("_wallpaper.tmp-", 0) == 0;
}

}  // namespace

WallpaperKeeper::WallpaperKeeper(SettingsFile& settings, const WorkspaceModel& model)
    : settings_(settings), model_(model) {}

WallpaperKeeper::~WallpaperKeeper() = default;

void WallpaperKeeper::setDataDir(const std::string& dir) {
    dataDir_ = dir;
    if (dir.empty()) return;
    std::error_code ec;
    for (fs::directory_iterator it(fs::u8path(dir), ec), end; !ec && it != end; it.increment(ec)) {
        if (isStaleTemporary(it->path().filename().u8string())) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

std::string WallpaperKeeper::previewBgPath() const { return dataDir_ + kSeparator + "previewBg.bmp"; }

std::string WallpaperKeeper::workspaceBitmapPath(std::int32_t row, std::int32_t col) const {
    return dataDir_ + kSeparator + std::to_string(row + 1) + "_" + std::to_string(col + 1) + ".bmp";
}

std::string WallpaperKeeper::recordPath() const { return dataDir_ + kSeparator + "_wallpaper"; }

// A file we made: a workspace's snapshot or piece, the spread picture.
bool WallpaperKeeper::isOwnFile(const std::string& path) const {
    if (path.empty() || dataDir_.empty()) return false;
    if (samePath(path, previewBgPath())) return true;
    for (std::int32_t row = 0; row < kMaxGrid; ++row)
        for (std::int32_t col = 0; col < kMaxGrid; ++col)
            if (samePath(path, workspaceBitmapPath(row, col))) return true;
    return false;
}

// A picture we put up: our own files, and every workspace's picture.
bool WallpaperKeeper::isOurs(const std::string& path) const {
    if (isOwnFile(path)) return true;
    for (std::int32_t row = 0; row < kMaxGrid; ++row)
        for (std::int32_t col = 0; col < kMaxGrid; ++col)
            if (!path.empty() && samePath(path, settings_.values().wallpaper[row][col])) return true;
    return false;
}

// Whether the desktop still shows w as we put it up: the system reports
// what it reported right after (a wallpaper chosen elsewhere since, or a
// file of ours written anew, clears put_).
bool WallpaperKeeper::shows(const DesktopWallpaper& w) const {
    return put_ && *put_ == w && system_->current() == reportedAfterPut_;
}

std::optional<WallpaperRecord> WallpaperKeeper::readRecord() const {
    if (record_) return record_;
    if (dataDir_.empty()) return std::nullopt;
    const auto text = readTextFile(recordPath());
    return text ? parseRecord(*text) : std::nullopt;
}

void WallpaperKeeper::forgetRecord() {
    record_.reset();
    if (!dataDir_.empty()) removeFile(recordPath());
}

// Before our first change. A record from an earlier run is kept only while
// the desktop still shows what it showed then, or one of our pictures (that
// run ended without putting it back); a wallpaper the user chose since
// replaces it. Kept in the data folder too: after a crash only the file
// still knows what the user had.
void WallpaperKeeper::recordUser() {
    if (recordChecked_ || !system_) return;
    recordChecked_ = true;
    const DesktopWallpaper now = system_->current();
    if (const auto earlier = readRecord()) {
        if (recordStillHolds(*earlier, now.path, isOurs(now.path))) {
            record_ = earlier;
            return;
        }
        forgetRecord();
    }
    // A file we made, with no record (it was lost): nothing of the user's is
    // known, and recording ours would bring it back as theirs. A picture the
    // user named for a workspace is theirs, and often the one they had
    // before (the first workspace keeps the usual picture): it is recorded.
    if (isOwnFile(now.path)) return;
    WallpaperRecord r{now, now};
    // The system's own copy is overwritten by our changes: keep a copy of it
    // when the file it was made from is not known.
    if (isTranscodedCopy(r.user.path) && !dataDir_.empty()) {
        const std::string copy = dataDir_ + kSeparator + "_userWallpaper" + fs::u8path(r.user.path).extension().u8string();
        std::error_code ec;
        fs::create_directories(fs::u8path(dataDir_), ec);
        if (fs::copy_file(fs::u8path(r.user.path), fs::u8path(copy), fs::copy_options::overwrite_existing, ec))
            r.user.path = copy;
    }
    record_ = r;
    if (!dataDir_.empty()) {
        std::error_code ec;
        fs::create_directories(fs::u8path(dataDir_), ec);
        replaceFileContents(recordPath(), recordText(r), Flush::BeforeRename);
    }
}

void WallpaperKeeper::restoreUser() {
    if (!system_) return;
    const auto r = readRecord();
    if (!r) return;
    const DesktopWallpaper now = system_->current();
    const bool showsOurs = isOurs(now.path) || now.path.empty() || (put_ && now == reportedAfterPut_);
    if (!recordStillHolds(*r, now.path, showsOurs)) {
        // The user chose a wallpaper of their own meanwhile: theirs stays.
        forgetRecord();
        return;
    }
    // Kept until the put-back has worked: a picture on a drive that is gone
    // now may be there at the next try, and the next start must not take
    // our picture for the user's.
    if (!system_->put(r->user)) return;
    put_.reset();
    forgetRecord();
    recordChecked_ = false;  // a later change records anew
}

bool WallpaperKeeper::apply(std::int32_t row, std::int32_t col) {
    if (row < 0) row = model_.currentRow();
    if (col < 0) col = model_.currentCol();
    if (settings_.values().wallsType == 0 || !system_) return false;
    // The current workspace may lie one step past a grid that just shrank.
    if (!inWorkspaceTable(row, col)) return false;
    recordUser();
    std::string path = settings_.values().wallpaper[row][col];
    const bool piece = settings_.values().wallsType == 2 && samePath(path, workspaceBitmapPath(row, col));
    if (piece && pending_[row][col]) path = previewBgPath();
    // Tiled from the origin, never stretched by the system: the pictures are
    // screen-sized already.
    DesktopWallpaper w{path, "1", "0", "0", "0"};
    if (shows(w)) return true;
    if (system_->put(w)) {
        put_ = w;
        reportedAfterPut_ = system_->current();
        putPiece_ = piece && !pending_[row][col];
        return true;
    }
    w.path.clear();
    system_->put(w);
    put_ = w;
    reportedAfterPut_ = system_->current();
    putPiece_ = false;
    return false;
}

bool WallpaperKeeper::spread() {
    const std::int32_t rows = model_.rows(), cols = model_.cols();
    const std::int32_t curRow = model_.currentRow(), curCol = model_.currentCol();
    const ScreenMetrics& m = model_.metrics();
    std::vector<PieceCutter::Piece> pieces;
    for (auto& line : pending_) line.fill(false);
    for (std::int32_t col = 0; col < cols; ++col) {
        for (std::int32_t row = 0; row < rows; ++row) {
            PieceCutter::Piece p{row, col,
                                 spreadCrop(m.virtualWidth, m.virtualHeight, rows, cols, spreadScale(), row, col),
                                 workspaceBitmapPath(row, col)};
            settings_.setWallpaper(row, col, p.dest);
            pending_[row][col] = true;
            // The current workspace's piece first: it is the one on the screen.
            if (row == curRow && col == curCol)
                pieces.insert(pieces.begin(), std::move(p));
            else
                pieces.push_back(std::move(p));
        }
    }
    job_ = cutter_.submit(system_, previewBgPath(), std::move(pieces));
    if (job_ == 0) {
        for (auto& line : pending_) line.fill(false);
        return false;
    }
    return true;
}

bool WallpaperKeeper::takeCutPieces() {
    bool changed = false;
    for (const PieceCutter::Result& r : cutter_.take()) {
        if (r.job != job_ || !inWorkspaceTable(r.row, r.col)) continue;  // a newer cut replaced it
        pending_[r.row][r.col] = false;
        if (!r.cut && settings_.values().wallsType == 2) settings_.setWallpaper(r.row, r.col, previewBgPath());
        if (r.row == model_.currentRow() && r.col == model_.currentCol()) {
            put_.reset();  // the file under that name is new
            apply(-1, -1);
            changed = true;
        }
    }
    return changed;
}

bool WallpaperKeeper::capture() {
    if (!system_ || dataDir_.empty()) return false;
    std::error_code ec;
    fs::create_directories(fs::u8path(dataDir_), ec);
    const DesktopWallpaper shown = system_->current();

    if (settings_.values().wallsType == 2) {
        // A piece of the spread picture on the desktop: a snapshot of it
        // would replace the spread picture by a part of itself. Anything
        // else (a picture of the user's, one saved in individual view) is
        // snapshotted afresh before any piece is cut over a saved picture.
        const bool showsPiece = putPiece_ && put_ && shown == reportedAfterPut_ && fileExists(previewBgPath());
        if (!showsPiece) {
            cutter_.cancel();
            if (!system_->snapshotDesktop(previewBgPath())) return false;
            put_.reset();
        }
        return spread();
    }

    const std::int32_t row = model_.currentRow(), col = model_.currentCol();
    if (!inWorkspaceTable(row, col)) return false;
    const std::string target = workspaceBitmapPath(row, col);
    // Already this workspace's own snapshot: the file holds what the desktop shows.
    const bool showsTarget = samePath(shown.path, target) ||
                             (put_ && samePath(put_->path, target) && shown == reportedAfterPut_);
    if (!(showsTarget && fileExists(target) && !putPiece_)) {
        cutter_.cancel();  // no piece may be cut over the snapshot
        if (!system_->snapshotDesktop(target)) return false;
        put_.reset();
    }
    pending_[row][col] = false;
    putPiece_ = false;
    settings_.setWallpaper(row, col, target);
    return true;
}

bool WallpaperKeeper::respread() {
    if (settings_.values().wallsType != 2 || !system_) return false;
    if (fileExists(previewBgPath())) return spread();
    return capture();
}

}  // namespace zelvane
