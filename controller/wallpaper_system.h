#pragma once
// The system side of the per-workspace wallpaper, as the controller sees it:
// the wallpaper in force, putting one in force, and the bitmap files made
// from the desktop. The Win32 build implements it in win32/; the tests give
// the controller a fake. No window system here.
#include <string>

#include "controller/wallpaper_geometry.h"

namespace zelvane {

// A desktop wallpaper with the settings that decide how it is laid out, as
// the system keeps them (the texts of the values under "Control Panel\Desktop").
// An empty text stands for a value that is absent, or left as it is.
struct DesktopWallpaper {
    std::string path;  // UTF-8; empty: no picture
    std::string tile;  // "TileWallpaper"
    std::string style;  // "WallpaperStyle"
    std::string originX;  // "WallpaperOriginX"
    std::string originY;  // "WallpaperOriginY"
};
inline bool operator==(const DesktopWallpaper& a, const DesktopWallpaper& b) {
    return a.path == b.path && a.tile == b.tile && a.style == b.style && a.originX == b.originX &&
           a.originY == b.originY;
}

// Called on the UI thread, except cutCrop, which the piece cutter calls on
// its worker (it touches no window). None of these waits for another program.
class WallpaperSystem {
public:
    virtual ~WallpaperSystem() = default;

    // The wallpaper in force. Where the system reports its own transcoded
    // copy, the path is the file that copy was made from, when that is known.
    virtual DesktopWallpaper current() const = 0;
    // Writes the layout values that are not empty, puts the picture in force
    // and tells the other programs without waiting for their answer. False
    // when the system refuses the picture (missing, not an image).
    virtual bool put(const DesktopWallpaper& w) = 0;
    // Writes the desktop's wallpaper, as the desktop shows it over the whole
    // virtual screen, to path as a BMP file. An existing file is replaced
    // only by a complete new one.
    virtual bool snapshotDesktop(const std::string& path) = 0;
    // Stretches `crop` of the BMP file `source` to the size of the virtual
    // screen and writes it to dest, by the same rule. False when the picture
    // could not be read, stretched or written.
    virtual bool cutCrop(const std::string& source, Box crop, const std::string& dest) = 0;
};

}  // namespace zelvane
