#pragma once
// The picture of the wallpapers of the whole workspace plane: drawn by the
// preview, kept between previews, and shown by the control window. There is
// one per process; everything here runs on the UI thread.
#include <windows.h>

namespace zelvane {

class WSController;
struct Settings;

// The DC holding the cached picture, or null when there is none.
HDC wallpaperImageDC();

// Caches a copy of the bitmap selected into source, replacing (and freeing)
// any earlier one. False, with nothing cached, when the copy cannot be made.
bool setWallpaperImage(HDC source);

// Frees the cached picture; nothing when there is none. Called whenever the
// picture goes stale (display change, a new wallpaper or grid) and at exit.
bool discardWallpaperImage();

// Draws the wallpapers of the whole plane into (0, 0, w, h) of dc as the
// settings choose them: each workspace's own picture in its cell, the spread
// picture over everything, or with "default" the desktop's own wallpaper in
// every cell. A cell without a picture is white. Reads the bitmap files.
void drawPlaneWallpaper(HDC dc, const WSController& ctrl, const Settings& settings, int w, int h);

}  // namespace zelvane
