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
// cell. view is the preview window, which lies over the whole virtual screen.
void paintPreviewBackground(HDC target, HWND view, const CanvasLayout& layout);

}  // namespace zelvane
