#include "win32/wallpaper_gdi.h"

#include <exception>

#include "config/text_file.h"
#include "controller/bmp_layout.h"
#include "win32/handles.h"
#include "win32/text.h"

namespace zelvane::win32 {

namespace {

struct WindowsVersion {
    DWORD major = 0;
    DWORD minor = 0;
};

WindowsVersion readVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return {};
#pragma GCC diagnostic pop
    return WindowsVersion{info.dwMajorVersion, info.dwMinorVersion};
}

// Writes `bitmap`, which must not be selected into any DC, as a BMP file.
bool writeBitmapFile(HBITMAP bitmap, int w, int h, const std::string& utf8Path) {
    const auto size = bmpFileSize(w, h);
    if (!size) return false;
    try {
        std::string bytes(*size, '\0');
        const auto headers = bmpHeaders(w, h);
        bytes.replace(0, headers.size(), reinterpret_cast<const char*>(headers.data()), headers.size());
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;  // bottom-up, as the file keeps it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        WindowDc screen(nullptr);
        if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(h), &bytes[kBmpHeaderSize], &info, DIB_RGB_COLORS) !=
            h)
            return false;
        return replaceFileContents(utf8Path, bytes, Flush::BeforeRename);
    } catch (const std::exception&) {
        return false;  // no memory for the picture
    }
}

}  // namespace

Tiling currentTiling() {
    static const WindowsVersion version = readVersion();  // the system's version does not change while we run
    Tiling t;
    t.newTiling = isNewTiling(version.major, version.minor);
    t.virtualLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    t.virtualTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    t.virtualWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    t.virtualHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return t;
}

SIZE surfaceSize(HDC dc) {
    if (!dc) return SIZE{0, 0};
    if (GetObjectType(dc) == OBJ_MEMDC) {
        BITMAP bm{};
        if (GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(bm), &bm)) return SIZE{bm.bmWidth, bm.bmHeight};
        return SIZE{0, 0};
    }
    // A window's DC has the stock 1 x 1 bitmap: its window tells the size.
    if (const HWND window = WindowFromDC(dc)) {
        RECT r{};
        if (GetClientRect(window, &r)) return SIZE{r.right - r.left, r.bottom - r.top};
    }
    return SIZE{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
}

bool drawWallpaper(HDC dc, const std::string& utf8Path, int x, int y, int w, int h) {
    if (!dc || utf8Path.empty()) return false;
    if (w < 0 || h < 0) {
        const SIZE s = surfaceSize(dc);
        if (w < 0) w = s.cx;
        if (h < 0) h = s.cy;
    }
    UniqueGdiObject picture(LoadImageW(nullptr, widen(utf8Path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!picture) return false;
    BITMAP bm{};
    if (!GetObjectW(picture.get(), sizeof(bm), &bm)) return false;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    if (!source) return false;
    SelectedObject selected(source.get(), picture.get());
    bool ok = true;
    for (const Blit& b : wallpaperDrawBlits(currentTiling(), Box{x, y, w, h}, bm.bmWidth, bm.bmHeight))
        ok = StretchBlt(dc, b.dst.x, b.dst.y, b.dst.w, b.dst.h, source.get(), b.src.x, b.src.y, b.src.w, b.src.h,
                        SRCCOPY) &&
             ok;
    return ok;
}

bool saveBitmap(HDC dc, const std::string& utf8Path) {
    const SIZE s = surfaceSize(dc);
    if (s.cx <= 0 || s.cy <= 0) return false;
    WindowDc screen(nullptr);
    UniqueMemoryDc copyDc(CreateCompatibleDC(screen.get()));
    UniqueGdiObject copy(CreateCompatibleBitmap(screen.get(), s.cx, s.cy));
    if (!copyDc || !copy) return false;
    {
        SelectedObject selected(copyDc.get(), copy.get());
        if (!selected) return false;
        for (const Blit& b : snapshotSaveBlits(currentTiling(), s.cx, s.cy))
            if (!BitBlt(copyDc.get(), b.dst.x, b.dst.y, b.dst.w, b.dst.h, dc, b.src.x, b.src.y, SRCCOPY)) return false;
    }  // selected out again: GetDIBits may read it now
    return writeBitmapFile(static_cast<HBITMAP>(copy.get()), s.cx, s.cy, utf8Path);
}

}  // namespace zelvane::win32
