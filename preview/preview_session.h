#pragma once
// One open preview, from its first frame to its end: which windows it
// pictures, where their images go on the view, the canvas's dirty parts, the
// window held above the others. The windows themselves are moved only by
// the controller's plans (measured and shown at the start, placed for the
// chosen workspace at the end); the drawing is the PreviewSurface's. All on
// the UI thread; nothing here waits for another program.
#include <cstdint>
#include <set>
#include <unordered_set>
#include <vector>

#include "controller/wsctrl.h"
#include "preview/preview_surface.h"

namespace zelvane {

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

    bool isCompositionEnabled() const { return surface_.compositionEnabled(); }
    bool animatedSwitch() const { return animatedSwitch_; }
    // The slide becomes the full preview.
    void setAnimatedSwitch(bool animated) { animatedSwitch_ = animated; }
    bool active() const { return active_; }

    // Creates the canvas (sized like rect) and an image source for every
    // window shown. Refused while the controller has a preview open; after a
    // false return the preview is still open and end() closes it.
    bool begin(WindowId view, const Rect& rect);
    // Capture path: starts the pictures of every window shown. Called once
    // the first frame is on the screen: starting fifty capture workers
    // before it held that frame up, and it could not show their pictures yet.
    void requestPictures();
    // Where the whole plane is drawn on the view window.
    void setRect(const Rect& rect);
    const Rect& rect() const { return rect_; }
    // The same, with `carried` travelling along with the view (its plane
    // rectangle moves by the view's shift, so it stays still on the screen);
    // every thumbnail is placed once, never half-way.
    void setRectCarrying(const Rect& rect, WindowId carried);
    bool paint(bool refresh, bool present);
    WindowId windowAt(std::int32_t x, std::int32_t y) const;
    // The window being dragged is drawn above every other one but the
    // topmost windows, and found first under the cursor, until the end.
    void raise(WindowId w);
    bool moveWindowBy(WindowId w, std::int32_t dx, std::int32_t dy);
    // Places every window for workspace (row, col) (-1: keep the current
    // row or column), makes it current and frees the canvas and sources.
    bool end(std::int32_t row, std::int32_t col);
    bool shows(WindowId w) const { return previewed_.count(w) != 0; }

private:
    void addSource(WindowId w, bool topmost);
    void updateThumbnails(WindowId w, bool reRegister);
    void updateAllThumbnails(bool reRegister, bool bottomUp);
    Rect toView(const Rect& planeRect) const;
    Rect wholePlane() const;
    // The previewed windows from the top as the preview stacks them: the Z
    // order with the raised window just below the topmost windows.
    std::vector<WindowId> stack() const;
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
    std::set<WindowId> previewed_;                // windows with an image source
    std::unordered_set<WindowId> topmost_;        // of those, the always-on-top ones
    std::vector<Rect> dirty_;                     // plane rectangles to repaint on the canvas
    WindowId raised_ = kNoWindow;                 // drawn above the others (the window dragged)
};

}  // namespace zelvane
