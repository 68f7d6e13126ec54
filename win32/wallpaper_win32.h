#pragma once
// The system side of the per-workspace wallpaper: the registry's layout
// values, SystemParametersInfo and the desktop's picture. UI thread only,
// except cutCrop (any thread).
#include "controller/wallpaper_system.h"

namespace zelvane::win32 {

class Win32Wallpaper : public WallpaperSystem {
public:
    DesktopWallpaper current() const override;
    // Sets the wallpaper without the system's synchronous broadcast (which
    // waits for every top-level window, a hung one for seconds), then tells
    // the other programs with a notification that nobody waits for.
    bool put(const DesktopWallpaper& w) override;
    // Shows a topmost canvas over the virtual screen for a moment, lets the
    // system paint the desktop's wallpaper into it and reads it back.
    bool snapshotDesktop(const std::string& path) override;
    bool cutCrop(const std::string& source, Box crop, const std::string& dest) override;
};

}  // namespace zelvane::win32
