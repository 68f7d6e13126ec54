#pragma once
// The preview's drawing surface on Windows: the still copy of the screen,
// the canvas (a memory bitmap of the resting size), its background picture,
// and one WndMonitor per previewed window. UI thread only; nothing here
// waits for another program (captures run on the monitors' workers).
#include <windows.h>

#include <map>
#include <memory>

#include "preview/preview_surface.h"
#include "preview/taskbar.h"
#include "preview/wndmonitor.h"
#include "win32/handles.h"

namespace zelvane {

// Posted to the view when a captured picture came in while nothing was
// drawing (the view then paints, which takes the new pictures).
inline constexpr UINT kMsgPicturesReady = 0x8069;

class Win32PreviewSurface : public PreviewSurface {
public:
    Win32PreviewSurface();
    ~Win32PreviewSurface() override;

    bool compositionEnabled() override;

    bool freezeScreen(WindowId view, const Rect& screen) override;
    void presentFrozen(const Rect& viewRect) override;

    bool createCanvas(WindowId view, const CanvasLayout& layout) override;
    void destroyCanvas() override;
    void beginCanvasUpdate(const std::vector<Rect>& area) override;
    void paintBackground(const Rect& canvasRect) override;
    void drawSource(WindowId w, const Rect& canvasRect, const std::optional<Rect>& frozen) override;
    void endCanvasUpdate() override;
    void present(const Rect& viewRect) override;
    void coverWithDesktop(const std::string& wallpaper) override;

    void addSource(WindowId w) override;
    void dropSource(WindowId w) override;
    void dropAllSources() override;
    bool capture(WindowId w) override;
    std::vector<WindowId> freshPictures() override;
    void updateThumbnail(WindowId w, const Rect& viewRect, bool reRegister, std::uint32_t slot) override;

    void hideTaskbar(const std::string& dataDir) override;
    void showTaskbar() override;

    // The view took its kMsgPicturesReady: the next picture posts again.
    void picturesNoticed() { notice_->taken(); }

private:
    // Lets go of the canvas, its background and the distant view's mask.
    void releaseCanvas();
    bool distantView() const { return layout_.wallsType == 2 && backgroundDc_; }
    void presentDistantView(HDC dc, const Rect& plane);

    HWND view_ = nullptr;
    CanvasLayout layout_;
    // The still copy of the screen and where it was taken.
    win32::UniqueGdiObject frozenBitmap_;
    win32::UniqueMemoryDc frozenDc_;
    Rect frozenRect_;
    // Bitmaps before the DCs that hold them: the DCs go first.
    win32::UniqueGdiObject canvasBitmap_;
    win32::UniqueMemoryDc canvasDc_;
    win32::UniqueGdiObject backgroundBitmap_;
    win32::UniqueMemoryDc backgroundDc_;
    // Distant view: where the canvas holds a window (black) and where the
    // picture behind shows (white), for drawing the windows over it.
    win32::UniqueGdiObject maskBitmap_;
    win32::UniqueMemoryDc maskDc_;
    bool windowsDrawn_ = false;  // the capture path has put windows on the canvas
    taskbar::Hider taskbar_;
    ThreadStarter starter_;  // before the monitors, which use it
    CaptureWorkers workers_;
    std::shared_ptr<PictureNotice> notice_;
    std::map<WindowId, std::unique_ptr<WndMonitor>> monitors_;
};

}  // namespace zelvane
