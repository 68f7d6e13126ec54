#pragma once
// The picture behind the workspaces in the preview. The one place where the
// background of the preview is drawn: the desktop's own background in every
// cell, with each workspace's own picture (individual view) or the one
// spread picture (distant view) over it. UI thread only; draws only into the
// program's own windows and memory.
#include <windows.h>

#include "preview/preview_surface.h"

namespace zelvane {

// Fills target (layout.width x layout.height pixels) with one background per
// cell. The desktop's background is drawn off the screen, in memory: the
// preview window already shows the still picture of the screen.
void paintPreviewBackground(HDC target, const CanvasLayout& layout);

}  // namespace zelvane
