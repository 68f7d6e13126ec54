#pragma once
// What the preview draws with: a still copy of the screen, the canvas, and
// the image of each previewed window (a live thumbnail or a captured
// picture). The Windows build implements it in preview/win32_surface.*; the
// unit tests record its calls. Called only on the UI thread; no call waits
// for another program.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "controller/desktop.h"  // WindowId, Rect
#include "preview/preview_geometry.h"

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
    // The screens, and the magnification of the spread picture: the distant
    // view's picture is drawn per frame, magnified with the zoom.
    PreviewLayout screens;
    std::int32_t spreadScale = 100;
};

class PreviewSurface {
public:
    virtual ~PreviewSurface() = default;

    // Whether the system composes the desktop: then the windows are live
    // thumbnails, otherwise captured pictures.
    virtual bool compositionEnabled() = 0;

    // A still copy of `screen` (the virtual screen, in screen coordinates)
    // as it is now: the view's first picture, and where the windows that
    // were on the screen are drawn from until their own pictures come in.
    // False when no copy could be taken.
    virtual bool freezeScreen(WindowId view, const Rect& screen) = 0;
    // Puts the still copy on the view at viewRect (where the screen was, or
    // the current workspace's cell while the zoom-out starts), stretched.
    virtual void presentFrozen(const Rect& viewRect) = 0;

    // The canvas and its background picture (false: no canvas).
    virtual bool createCanvas(WindowId view, const CanvasLayout& layout) = 0;
    // Frees the canvas and the still copy.
    virtual void destroyCanvas() = 0;
    // A repaint of the canvas: what is drawn until endCanvasUpdate stays
    // inside `area` (canvas rectangles).
    virtual void beginCanvasUpdate(const std::vector<Rect>& area) = 0;
    // Repaints a canvas rectangle with the background and the grid lines
    // (black when there is no picture).
    virtual void paintBackground(const Rect& canvasRect) = 0;
    // Draws w's picture at canvasRect; a window without a picture yet is
    // drawn from `frozen` (its rectangle in the still copy, when it was on
    // the screen), else as an outline.
    virtual void drawSource(WindowId w, const Rect& canvasRect, const std::optional<Rect>& frozen) = 0;
    virtual void endCanvasUpdate() = 0;
    // Draws the canvas onto the view with the whole plane at viewRect.
    virtual void present(const Rect& viewRect) = 0;
    // Covers the view with the desktop the workspace chosen will show: its
    // own wallpaper file, or the desktop's when `wallpaper` is empty (just
    // before the windows are placed for it).
    virtual void coverWithDesktop(const std::string& wallpaper) = 0;

    // Image sources, one per previewed window.
    virtual void addSource(WindowId w) = 0;
    virtual void dropSource(WindowId w) = 0;
    virtual void dropAllSources() = 0;
    // Capture path: asks for a new picture (false: the window is gone).
    virtual bool capture(WindowId w) = 0;
    // Capture path: the windows whose picture changed since the last call.
    virtual std::vector<WindowId> freshPictures() = 0;
    // Composition path: places thumbnail `slot` of w at viewRect on the view;
    // reRegister registers it anew, which puts it above those registered before.
    virtual void updateThumbnail(WindowId w, const Rect& viewRect, bool reRegister, std::uint32_t slot) = 0;

    // The shell's taskbar windows, hidden while the full preview is open and
    // shown again on every way out (a record in dataDir brings them back
    // after a crash).
    virtual void hideTaskbar(const std::string& dataDir) = 0;
    virtual void showTaskbar() = 0;
};

}  // namespace zelvane
