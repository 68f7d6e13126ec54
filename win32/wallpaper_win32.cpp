#include "win32/wallpaper_win32.h"

#include <windows.h>

#include <vector>

#include "controller/wallpaper_record.h"
#include "win32/handles.h"
#include "win32/text.h"
#include "win32/wallpaper_gdi.h"

namespace zelvane::win32 {

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr const wchar_t* kLayoutValues[] = {L"TileWallpaper", L"WallpaperStyle", L"WallpaperOriginX",
                                            L"WallpaperOriginY"};

std::string readString(HKEY key, const wchar_t* name) {
    wchar_t buffer[256]{};
    DWORD type = 0;
    DWORD bytes = sizeof(buffer) - sizeof(wchar_t);  // room for a terminator the value may lack
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    return narrow(buffer);
}

void writeString(HKEY key, const wchar_t* name, const std::string& value) {
    if (value.empty()) return;  // absent in the record: left as it is
    const std::wstring text = widen(value);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

struct VirtualScreen {
    int left, top, width, height;
};

VirtualScreen virtualScreen() {
    return VirtualScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Fills the w x h virtual screen in dc with the wallpaper tiled at its own
// size from where the system starts the tiles. False (nothing drawn) unless
// the wallpaper is tiled and its file a bitmap.
bool drawTiledWallpaper(HDC dc, const DesktopWallpaper& wallpaper, int w, int h) {
    if (wallpaper.tile != "1" || wallpaper.path.empty()) return false;
    UniqueGdiObject tile(LoadImageW(nullptr, widen(wallpaper.path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP bm{};
    if (!tile || !GetObjectW(tile.get(), sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    UniqueMemoryDc tileDc(CreateCompatibleDC(dc));
    if (!tileDc) return false;
    SelectedObject selected(tileDc.get(), tile.get());
    const Tiling t = currentTiling();
    // The first tile's corner, relative to the virtual screen's corner. A
    // tiny pattern is not drawn tile by tile: what is drawn is copied on,
    // doubling.
    const TileFill fill = tileFill(w, h, bm.bmWidth, bm.bmHeight, t.newTiling ? 0 : -t.virtualLeft,
                                   t.newTiling ? 0 : -t.virtualTop);
    bool ok = true;
    for (const Box& b : fill.tiles) ok = BitBlt(dc, b.x, b.y, b.w, b.h, tileDc.get(), 0, 0, SRCCOPY) && ok;
    for (const Blit& b : fill.copies)
        ok = BitBlt(dc, b.dst.x, b.dst.y, b.dst.w, b.dst.h, dc, b.src.x, b.src.y, SRCCOPY) && ok;
    return ok;
}

std::vector<BYTE> readBinary(HKEY root, const wchar_t* keyName, const wchar_t* name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, keyName, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return {};
    UniqueRegKey key(raw);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || bytes == 0 ||
        bytes > 64 * 1024)
        return {};
    std::vector<BYTE> out(bytes);
    if (RegQueryValueExW(key.get(), name, nullptr, &type, out.data(), &bytes) != ERROR_SUCCESS) return {};
    out.resize(bytes);
    return out;
}

bool fileExists(const std::string& path) {
    const DWORD a = GetFileAttributesW(widen(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The file the system's transcoded copy was made from, where the system
// says so: Windows 8 and later in the binary "TranscodedImageCache",
// Windows 7 in the Internet Explorer key. Empty when neither names a file
// that is still there.
std::string transcodedSourceFile() {
    const std::vector<BYTE> cache = readBinary(HKEY_CURRENT_USER, kDesktopKey, L"TranscodedImageCache");
    if (const auto source = transcodedSource(std::string(cache.begin(), cache.end())); source && fileExists(*source))
        return *source;
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\Desktop\\General", 0,
                      KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS) {
        UniqueRegKey key(raw);
        const std::string source = readString(key.get(), L"WallpaperSource");
        if (!source.empty() && fileExists(source)) return source;
    }
    return {};
}

}  // namespace

DesktopWallpaper Win32Wallpaper::current() const {
    DesktopWallpaper w;
    wchar_t path[MAX_PATH + 1]{};
    if (SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0)) w.path = narrow(path);
    // From Windows 7 on the desktop may report the system's own copy, which
    // our changes overwrite: the user's picture is the file it came from.
    if (isTranscodedCopy(w.path)) {
        if (std::string source = transcodedSourceFile(); !source.empty()) w.path = std::move(source);
    }
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS) {
        UniqueRegKey key(raw);
        std::string* const fields[] = {&w.tile, &w.style, &w.originX, &w.originY};
        for (int i = 0; i < 4; ++i) *fields[i] = readString(key.get(), kLayoutValues[i]);
    }
    return w;
}

bool Win32Wallpaper::put(const DesktopWallpaper& w) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &raw) == ERROR_SUCCESS) {
        UniqueRegKey key(raw);
        const std::string* const fields[] = {&w.tile, &w.style, &w.originX, &w.originY};
        for (int i = 0; i < 4; ++i) writeString(key.get(), kLayoutValues[i], *fields[i]);
    }
    std::wstring path = widen(w.path);
    const bool ok = SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(), SPIF_UPDATEINIFILE) != FALSE;
    // The shell and others reread the wallpaper on this; a hung program gets
    // it when it answers again, and nobody waits for that. (A pointer in
    // lParam could not go asynchronously: 0 stands for "the desktop settings".)
    SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    return ok;
}

bool Win32Wallpaper::snapshotDesktop(const std::string& path) {
    const VirtualScreen vs = virtualScreen();
    if (vs.width <= 0 || vs.height <= 0) return false;
    WindowDc screen(nullptr);
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    UniqueGdiObject picture(CreateCompatibleBitmap(screen.get(), vs.width, vs.height));
    if (!memory || !picture) return false;
    SelectedObject selected(memory.get(), picture.get());
    // A tiled bitmap (every picture of ours is one) is drawn from its file
    // exactly as the system tiles it. Other wallpapers the system paints.
    if (drawTiledWallpaper(memory.get(), current(), vs.width, vs.height)) return saveBitmap(memory.get(), path);
    {
        // A system window class, so the canvas needs no class of its own; it
        // never takes the focus and is gone before this returns.
        UniqueWindow canvas(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"Static", L"canvas",
                                            WS_POPUP, vs.left, vs.top, vs.width, vs.height, nullptr, nullptr,
                                            GetModuleHandleW(nullptr), nullptr));
        if (!canvas) return false;
        SetWindowPos(canvas.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        WindowDc canvasDc(canvas.get());
        if (!canvasDc || !PaintDesktop(canvasDc.get())) return false;
        BitBlt(memory.get(), 0, 0, vs.width, vs.height, canvasDc.get(), 0, 0, SRCCOPY);
    }
    return saveBitmap(memory.get(), path);
}

bool Win32Wallpaper::cutCrop(const std::string& source, Box crop, const std::string& dest) {
    const VirtualScreen vs = virtualScreen();
    if (vs.width <= 0 || vs.height <= 0 || crop.w <= 0 || crop.h <= 0) return false;
    WindowDc screen(nullptr);
    UniqueMemoryDc shownDc(CreateCompatibleDC(screen.get()));
    UniqueGdiObject shown(CreateCompatibleBitmap(screen.get(), vs.width, vs.height));
    UniqueMemoryDc cropDc(CreateCompatibleDC(screen.get()));
    UniqueGdiObject cropped(CreateCompatibleBitmap(screen.get(), vs.width, vs.height));
    if (!shownDc || !shown || !cropDc || !cropped) return false;
    SelectedObject shownSelected(shownDc.get(), shown.get());
    SelectedObject cropSelected(cropDc.get(), cropped.get());
    // The spread picture as the desktop showed it, then the crop of it blown
    // up to the whole screen.
    if (!drawWallpaper(shownDc.get(), source, 0, 0, vs.width, vs.height)) return false;
    SetStretchBltMode(cropDc.get(), HALFTONE);
    SetBrushOrgEx(cropDc.get(), 0, 0, nullptr);
    // A stretch that fails leaves the piece black: not worth saving.
    if (!StretchBlt(cropDc.get(), 0, 0, vs.width, vs.height, shownDc.get(), crop.x, crop.y, crop.w, crop.h, SRCCOPY))
        return false;
    return saveBitmap(cropDc.get(), dest);
}

}  // namespace zelvane::win32
