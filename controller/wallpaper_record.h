#pragma once
// The record of the user's own wallpaper, kept in the data folder from
// before Zelvane first changes the wallpaper until it is put back, and the
// rules around it: when a record read back from an earlier run still holds,
// and how the system's own copy of a wallpaper is traced to the user's file.
// No window system here.
#include <optional>
#include <string>

#include "controller/wallpaper_system.h"

namespace zelvane {

struct WallpaperRecord {
    DesktopWallpaper user;   // what is put back
    DesktopWallpaper shown;  // what the system reported when the record was taken
};

// One value per line: the user's wallpaper, then what the system showed.
std::string recordText(const WallpaperRecord& r);
// A record of five lines (written before the second half existed) counts as
// showing what it records. Nothing for an empty text.
std::optional<WallpaperRecord> parseRecord(const std::string& text);

// Windows paths: the case of letters and the kind of slash do not matter.
bool samePath(const std::string& a, const std::string& b);

// Whether a record read back at start-up still says what the user's own
// wallpaper is. It holds while the desktop shows one of our pictures (an
// earlier run ended without putting the record back), or no picture (a
// picture of ours that the system refused), or still what it showed when the
// record was taken. Any other wallpaper is one the user chose since: then
// the record is stale, and theirs stays.
bool recordStillHolds(const WallpaperRecord& r, const std::string& shownNow, bool shownIsOurs);

// The copy the system makes of the wallpaper from Windows 7 on
// ("...\Themes\TranscodedWallpaper", ".jpg" on Windows 7). Zelvane's own
// changes overwrite it, so it never stands for the user's picture.
bool isTranscodedCopy(const std::string& path);

// The file the system made its copy from, as Windows 8 and later keep it in
// "Control Panel\Desktop\TranscodedImageCache": a UTF-16 path from byte 24
// on, ended by a zero. Nothing when the value holds no path.
std::optional<std::string> transcodedSource(const std::string& cacheBytes);

}  // namespace zelvane
