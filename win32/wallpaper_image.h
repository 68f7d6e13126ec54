#pragma once
// The picture of the wallpapers of the whole workspace plane on Windows: the
// one the preview's background and the control window share. It is made on
// the cache's worker (controller/plane_picture.h) from the bitmap files, or
// from the desktop itself with "default" wallpapers, and kept until it goes
// stale. One cache per process, used on the UI thread; the worker only makes
// pictures nobody holds yet.
#include <windows.h>

#include <memory>
#include <vector>

#include "controller/plane_picture.h"
#include "win32/handles.h"

namespace zelvane {

class WallpaperImage : public PlanePicture {
public:
    // Takes the bitmap, which no DC holds.
    WallpaperImage(win32::UniqueGdiObject bitmap, int width, int height, int rows, int cols,
                   std::vector<bool> missingCells);
    int width() const { return width_; }
    int height() const { return height_; }
    // Cells whose picture could not be read (white in the picture).
    bool missing(int row, int col) const;
    bool anyMissing() const;
    // Draws the picture stretched into (0, 0, w, h) of dc; with
    // skipMissing, cells without a picture are left as they are. UI thread.
    bool drawTo(HDC dc, int w, int h, bool skipMissing) const;

private:
    win32::UniqueGdiObject bitmap_;
    int width_, height_, rows_, cols_;
    std::vector<bool> missing_;  // row by row
};

// The process's cache, made at the first call; UI thread.
PlanePictureCache& wallpaperImages();
// Waits for a picture being made and frees everything (at exit).
void releaseWallpaperImages();

// Makes the picture of key: each workspace's file in its cell, the spread
// picture over all, or the desktop's own wallpaper in every cell. Any thread.
std::shared_ptr<PlanePicture> makeWallpaperImage(const PlanePictureKey& key);
// A copy of the bitmap selected into source, as the picture of key.
std::shared_ptr<PlanePicture> copyWallpaperImage(HDC source, const PlanePictureKey& key);

}  // namespace zelvane
