#pragma once
// The picture behind the workspaces in the preview. The one place where the
// background of the preview is drawn, whatever the wallpaper setting: for
// now every cell shows the desktop's own background. UI thread only; draws
// only into the program's own windows and memory.
#include <windows.h>

#include "preview/preview_surface.h"

namespace zelvane {

// Fills target (spec.width x spec.height pixels) with one background per
// cell. view is the preview window, which lies over the whole virtual screen.
void paintPreviewBackground(HDC target, HWND view, const CanvasSpec& spec);

}  // namespace zelvane
