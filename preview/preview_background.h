#pragma once
// The picture behind the workspaces in the preview. The one place where the
// background of the preview is drawn: the desktop's own background in every
// cell, with each workspace's own picture (individual view) or the one
// spread picture (distant view) over it. Those pictures come from the plane
// picture the control window shares (win32/wallpaper_image.h), made once on
// a worker and kept until it goes stale, so opening the preview reads no
// files. UI thread only; draws only into the program's own windows and memory.
#include <windows.h>

#include "controller/plane_picture.h"
#include "preview/preview_surface.h"

namespace zelvane {

class WSController;

// Fills target (layout.width x layout.height pixels) with one background per
// cell. The desktop's background is drawn off the screen, in memory: the
// preview window already shows the still picture of the screen.
void paintPreviewBackground(HDC target, const CanvasLayout& layout);

// The plane picture the preview draws with for this canvas.
PlanePictureKey planePictureOf(const CanvasLayout& layout);
// The one it will ask for when it opens now (the plane at its resting size),
// so that it can be made beforehand.
PlanePictureKey restingPlanePicture(const WSController& ctrl);

}  // namespace zelvane
