// The per-workspace wallpaper: which picture each workspace shows, the
// snapshots of the desktop's wallpaper, the spread picture of "distant view",
// and the user's own wallpaper, which is recorded before the first change and
// put back when Zelvane stops managing the wallpaper.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "config/text_file.h"
#include "controller/wsctrl.h"

namespace zelvane {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// Windows paths: the case of letters and the kind of slash do not matter.
bool samePath(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x == '/') x = '\\';
        if (y == '/') y = '\\';
        if (std::tolower(static_cast<unsigned char>(x)) != std::tolower(static_cast<unsigned char>(y))) return false;
    }
    return true;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

// The record is one value per line, in the order of DesktopWallpaper.
std::string recordText(const DesktopWallpaper& w) {
    return w.path + "\n" + w.tile + "\n" + w.style + "\n" + w.originX + "\n" + w.originY + "\n";
}

DesktopWallpaper parseRecord(const std::string& text) {
    DesktopWallpaper w;
    std::string* const fields[] = {&w.path, &w.tile, &w.style, &w.originX, &w.originY};
    std::size_t start = 0;
    for (std::string* field : fields) {
        if (start >= text.size()) break;
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        *field = text.substr(start, end - start);
        if (!field->empty() && field->back() == '\r') field->pop_back();
        start = end + 1;
    }
    return w;
}

}  // namespace

std::string WSController::previewBgPath() const { return dataDir_ + kSeparator + "previewBg.bmp"; }

std::string WSController::workspaceBitmapPath(std::int32_t row, std::int32_t col) const {
    return dataDir_ + kSeparator + std::to_string(row + 1) + "_" + std::to_string(col + 1) + ".bmp";
}

std::string WSController::userWallpaperRecordPath() const { return dataDir_ + kSeparator + "_wallpaper"; }

bool WSController::isOwnBitmap(const std::string& path) const {
    if (path.empty() || dataDir_.empty()) return false;
    if (samePath(path, previewBgPath())) return true;
    for (std::int32_t row = 0; row < kMaxGrid; ++row)
        for (std::int32_t col = 0; col < kMaxGrid; ++col)
            if (samePath(path, workspaceBitmapPath(row, col))) return true;
    return false;
}

// Kept in the data folder too: after a crash the desktop shows one of our
// pictures, and only the file still knows what the user had.
void WSController::recordUserWallpaper() {
    if (userWallpaper_ || !wallpaperSystem_) return;
    if (!dataDir_.empty()) {
        if (const auto text = readTextFile(userWallpaperRecordPath())) {
            userWallpaper_ = parseRecord(*text);
            return;
        }
    }
    userWallpaper_ = wallpaperSystem_->current();
    if (!dataDir_.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::u8path(dataDir_), ec);
        replaceFileContents(userWallpaperRecordPath(), recordText(*userWallpaper_));
    }
}

void WSController::restoreUserWallpaper() {
    if (!wallpaperSystem_) return;
    std::optional<DesktopWallpaper> record = userWallpaper_;
    if (!record && !dataDir_.empty()) {
        if (const auto text = readTextFile(userWallpaperRecordPath())) record = parseRecord(*text);
    }
    if (!record) return;
    wallpaperSystem_->put(*record);
    userWallpaper_.reset();
    if (!dataDir_.empty()) {
        std::error_code ec;
        std::filesystem::remove(std::filesystem::u8path(userWallpaperRecordPath()), ec);
    }
}

bool WSController::applyWallpaper(std::int32_t row, std::int32_t col) {
    if (row < 0) row = currentRow();
    if (col < 0) col = currentCol();
    if (settings().wallsType == 0 || !wallpaperSystem_) return false;
    // The current workspace may lie one step past a grid that just shrank.
    if (row >= kMaxGrid || col >= kMaxGrid) return false;
    recordUserWallpaper();
    // Tiled from the origin, never stretched by the system: the snapshots
    // are screen-sized already.
    DesktopWallpaper w{settings().wallpaper[row][col], "1", "0", "0", "0"};
    if (wallpaperSystem_->put(w)) return true;
    w.path.clear();
    wallpaperSystem_->put(w);
    return false;
}

bool WSController::spreadWallpaper() {
    bool complete = true;
    const std::int32_t rows = wsRowNum(), cols = wsColNum();
    for (std::int32_t col = 0; col < cols; ++col) {
        for (std::int32_t row = 0; row < rows; ++row) {
            const Box crop = spreadCrop(virtualWidth(), virtualHeight(), rows, cols, spreadScale(), row, col);
            const std::string path = workspaceBitmapPath(row, col);
            // A crop that could not be written leaves the workspace's entry as it was.
            if (wallpaperSystem_->cutCrop(previewBgPath(), crop, path))
                settings_.setWallpaper(row, col, path);
            else
                complete = false;
        }
    }
    applyWallpaper(-1, -1);
    return complete;
}

bool WSController::captureWallpaper() {
    if (!wallpaperSystem_ || dataDir_.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::u8path(dataDir_), ec);
    const std::string shown = wallpaperSystem_->current().path;

    if (settings().wallsType == 2) {
        // The desktop shows a crop of the spread picture unless the user put up
        // a picture of their own since: a snapshot of the crop would replace
        // the spread picture by a part of itself.
        const bool showsOurs = isOwnBitmap(shown) && fileExists(previewBgPath());
        if (!showsOurs && !wallpaperSystem_->snapshotDesktop(previewBgPath())) return false;
        return spreadWallpaper();
    }

    if (currentRow() >= kMaxGrid || currentCol() >= kMaxGrid) return false;
    const std::string target = workspaceBitmapPath(currentRow(), currentCol());
    // Already this workspace's own snapshot: the file holds what the desktop shows.
    if (!(samePath(shown, target) && fileExists(target)) && !wallpaperSystem_->snapshotDesktop(target)) return false;
    settings_.setWallpaper(currentRow(), currentCol(), target);
    return true;
}

bool WSController::respreadWallpaper() {
    if (settings().wallsType != 2 || !wallpaperSystem_) return false;
    if (fileExists(previewBgPath())) return spreadWallpaper();
    return captureWallpaper();
}

}  // namespace zelvane
