#pragma once
// Wallpaper bitmaps with GDI: drawing a wallpaper file the way the desktop
// shows it, and saving a picture as a BMP file that the system tiles back
// into the same picture. Any thread (each with DCs of its own); nothing here
// waits for another program.
#include <windows.h>

#include <string>

#include "controller/wallpaper_geometry.h"

namespace zelvane::win32 {

// The system's tiling now: the virtual screen as it is, the Windows version
// as read once at the first call.
Tiling currentTiling();

// The size of what dc draws on: the bitmap selected into a memory DC, the
// client area of a window's DC, else the primary screen.
SIZE surfaceSize(HDC dc);

// Draws the bitmap file stretched into (x, y, w, h) of dc, as the desktop
// shows it tiled. A negative w or h takes the size of dc's surface. False
// when the file cannot be read as a bitmap (nothing is drawn) or a stretch
// failed.
bool drawWallpaper(HDC dc, const std::string& utf8Path, int x, int y, int w, int h);

// Writes dc's whole surface to the file as a 24-bit BMP, shifted so that the
// system's tiling gives the picture back. The file is replaced only by a
// complete new one. False on any failure.
bool saveBitmap(HDC dc, const std::string& utf8Path);

}  // namespace zelvane::win32
