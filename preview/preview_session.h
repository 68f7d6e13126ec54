#pragma once
// One open preview, from its first frame to its end: which windows it
// pictures, where their images go on the view, the canvas's dirty parts, the
// window held above the others. The windows themselves are moved only by
// the controller's plans (measured and shown at the start, placed for the
// chosen workspace at the end); the drawing is the PreviewSurface's. All on
// the UI thread; nothing here waits for another program.
#include <cstdint>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "controller/wsctrl.h"
#include "preview/preview_surface.h"

namespace zelvane {

// The screen and the grid as the controller has them now.
PreviewLayout previewLayoutOf(const WSController& ctrl);

class PreviewSession {
public:
    // animatedSwitch: a slide across the full-size plane rather than the
    // full preview (exempt windows then stay at their screen places).
    PreviewSession(WSController& ctrl, PreviewSurface& surface, bool animatedSwitch);
    // An open preview gives back what it holds (its canvas, the taskbar);
    // the windows are not placed (whoever ends a run that way releases them).
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    // The rendering path, as asked when the preview began (and again at
    // every refresh).
    bool isCompositionEnabled() const { return composition_; }
    bool animatedSwitch() const { return animatedSwitch_; }
    // The slide becomes the full preview.
    void setAnimatedSwitch(bool animated) { animatedSwitch_ = animated; }

    // The screen as it is now, kept as the view's first picture (shown by
    // showFrozen, where the screen is): the user sees no change while the
    // preview is set up behind it.
    bool freeze(WindowId view);
    void showFrozen();
    // The same still picture stretched to viewRect: the zoom-out's first
    // frames, drawn before the preview has begun (or while it begins).
    void showFrozenAt(const Rect& viewRect);
    // The full preview hides the shell's taskbar; every way out shows it
    // again (end, and the destructor), even a preview that never began.
    void hideTaskbar();

    // Creates the canvas (sized like canvasRect, the resting size) and an
    // image source for every window shown; the plane is drawn at `rect`
    // (thumbnails are put there at once). Refused while the controller has
    // a preview open; after a false return the preview is still open and
    // end() closes it.
    bool begin(WindowId view, const Rect& canvasRect, const Rect& rect);
    // begin() in two halves, so a zoom can draw frames between them: the
    // canvas first, then the windows (shown for the preview, an image source
    // each). Each false return has the same meaning as begin's.
    bool beginCanvas(WindowId view, const Rect& canvasRect, const Rect& rect);
    bool beginWindows();
    // Capture path: starts the pictures of every window shown. Until a
    // window's own picture comes in, a window that was on the screen is
    // drawn from the still picture of the screen.
    void requestPictures();
    // Where the whole plane is drawn on the view window.
    void setRect(const Rect& rect);
    // The same, with `carried` travelling along with the view (its plane
    // rectangle moves by the view's shift, so it stays still on the screen);
    // every thumbnail is placed once, never half-way.
    void setRectCarrying(const Rect& rect, WindowId carried);
    // Brings the canvas up to date (new pictures, moved windows; with
    // refresh, new and closed windows too) and, with present, draws it.
    bool paint(bool refresh, bool present);
    WindowId windowAt(std::int32_t x, std::int32_t y) const;
    // The window being dragged is drawn above every other one but the
    // topmost windows, and found first under the cursor, until the end.
    void raise(WindowId w);
    bool moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy);
    // Covers the view with the desktop that workspace (row, col) shows (its
    // own wallpaper with individual or distant view), where the windows
    // will be: before they are placed, and while a slide rests.
    void coverWithDesktopOf(std::int32_t row, std::int32_t col);
    // Places every window for workspace (row, col) (-1: keep the current
    // row or column), makes it current and frees the canvas and sources.
    // A preview that never began (or failed to) only gives back what it
    // holds (the taskbar) and returns false.
    bool end(std::int32_t row, std::int32_t col);

private:
    void addSource(WindowId w, bool topmost);
    void updateThumbnails(WindowId w, bool reRegister);
    void updateAllThumbnails(bool reRegister, bool bottomUp);
    Rect toView(const Rect& planeRect) const;
    Rect wholePlane() const;
    // The previewed windows from the top as the preview stacks them: the Z
    // order as it was read when the preview began or last refreshed (the
    // thumbnails were registered in it), with the raised window just below
    // the topmost windows.
    std::vector<WindowId> stack() const;
    void readZOrder();
    // The canvas brought up to date where it is dirty.
    void repaintCanvas();
    const WndInfo* record(WindowId w) const { return ctrl_.model().find(w); }
    // Frees what the preview holds and shows the taskbar again.
    void release();

    WSController& ctrl_;
    PreviewSurface& surface_;
    bool animatedSwitch_;
    bool active_ = false;
    WindowId view_ = kNoWindow;
    Rect rect_;
    std::int32_t canvasWidth_ = 0;
    std::int32_t canvasHeight_ = 0;
    bool canvasReady_ = false;
    bool windowsShown_ = false;   // beginWindows has run
    bool frozen_ = false;         // the surface holds a still picture of the screen
    bool taskbarHidden_ = false;
    bool composition_ = false;    // asked at the start and at every refresh
    std::set<WindowId> previewed_;                // windows with an image source
    std::unordered_set<WindowId> topmost_;        // of those, the always-on-top ones
    std::vector<Rect> dirty_;                     // plane rectangles to repaint on the canvas
    WindowId raised_ = kNoWindow;                 // drawn above the others (the window dragged)
    std::vector<WindowId> zOrder_;                // the previewed windows, top first
    // Where the windows that were on the screen are in the still picture.
    std::unordered_map<WindowId, Rect> frozenRects_;
};

}  // namespace zelvane
