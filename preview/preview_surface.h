#pragma once
// What the preview draws with: the canvas, and the image of each previewed
// window (a live thumbnail or a captured picture). The Windows build
// implements it in preview/win32_surface.*; the unit tests record its calls.
// Called only on the UI thread; no call waits for another program.
#include <cstdint>
#include <string>
#include <vector>

#include "controller/desktop.h"  // WindowId, Rect

namespace zelvane {

struct CanvasLayout {
    std::int32_t width = 0;  // the resting size of the plane in the preview
    std::int32_t height = 0;
    std::int32_t rows = 1;
    std::int32_t cols = 1;
    std::int32_t wallsType = 0;
    bool showWallpaper = true;
    // The pictures behind the cells: with wallsType 1 each workspace's own
    // file (row by row), with wallsType 2 the one spread picture.
    std::vector<std::string> cellWallpapers;
    std::string spreadWallpaper;
};

class PreviewSurface {
public:
    virtual ~PreviewSurface() = default;

    // Whether the system composes the desktop: then the windows are live
    // thumbnails, otherwise captured pictures.
    virtual bool compositionEnabled() = 0;

    // The canvas and its background picture (false: no canvas).
    virtual bool createCanvas(WindowId view, const CanvasLayout& layout) = 0;
    virtual void destroyCanvas() = 0;
    // Repaints a canvas rectangle with the background and the grid lines
    // (black when there is no picture).
    virtual void paintBackground(const Rect& canvasRect) = 0;
    // Stretches the canvas onto the view at viewRect.
    virtual void present(const Rect& viewRect) = 0;
    // Covers the view with the desktop background (just before the windows
    // are placed for the chosen workspace).
    virtual void coverWithDesktop() = 0;

    // Image sources, one per previewed window.
    virtual void addSource(WindowId w) = 0;
    virtual void dropSource(WindowId w) = 0;
    virtual void dropAllSources() = 0;
    // Capture path: asks for a new picture (false: the window is gone).
    virtual bool capture(WindowId w) = 0;
    virtual void drawSource(WindowId w, const Rect& canvasRect) = 0;
    // Composition path: places thumbnail `slot` of w at viewRect on the view;
    // reRegister registers it anew, which puts it above those registered before.
    virtual void updateThumbnail(WindowId w, const Rect& viewRect, bool reRegister, std::uint32_t slot) = 0;

    // The shell's taskbar windows that the full preview hid come back.
    virtual void showTaskbar() = 0;
};

}  // namespace zelvane
