#pragma once
// The preview's drawing surface on Windows: the canvas (a memory bitmap of
// the resting size), its background picture, and one WndMonitor per
// previewed window. UI thread only; nothing here waits for another program
// (captures run on the monitors' workers).
#include <windows.h>

#include <map>
#include <memory>

#include "preview/preview_surface.h"
#include "preview/wndmonitor.h"
#include "win32/handles.h"

namespace zelvane {

class Win32PreviewSurface : public PreviewSurface {
public:
    Win32PreviewSurface() = default;
    ~Win32PreviewSurface() override;

    bool compositionEnabled() override;

    bool createCanvas(WindowId view, const CanvasLayout& layout) override;
    void destroyCanvas() override;
    void paintBackground(const Rect& canvasRect) override;
    void present(const Rect& viewRect) override;
    void coverWithDesktop() override;

    void addSource(WindowId w) override;
    void dropSource(WindowId w) override;
    void dropAllSources() override;
    bool capture(WindowId w) override;
    void drawSource(WindowId w, const Rect& canvasRect) override;
    void updateThumbnail(WindowId w, const Rect& viewRect, bool reRegister, std::uint32_t slot) override;

    void showTaskbar() override;

    // How many capture workers this surface started and how many sources it
    // holds (for the benchmark's resource count).
    std::size_t sourceCount() const { return monitors_.size(); }

private:
    HWND view_ = nullptr;
    CanvasLayout layout_;
    // Bitmaps before the DCs that hold them: the DCs go first.
    win32::UniqueGdiObject canvasBitmap_;
    win32::UniqueMemoryDc canvasDc_;
    win32::UniqueGdiObject backgroundBitmap_;
    win32::UniqueMemoryDc backgroundDc_;
    ThreadStarter starter_;  // before the monitors, which use it
    std::map<WindowId, std::unique_ptr<WndMonitor>> monitors_;
};

}  // namespace zelvane
