#include "preview/preview_background.h"

#include "win32/handles.h"

namespace zelvane {

void paintPreviewBackground(HDC target, HWND view, const CanvasSpec& spec) {
    const int cellW = spec.cols > 0 ? spec.width / spec.cols : 0;
    const int cellH = spec.rows > 0 ? spec.height / spec.rows : 0;
    PatBlt(target, 0, 0, spec.width, spec.height, BLACKNESS);
    if (cellW <= 0 || cellH <= 0) return;
    RECT client{};
    GetClientRect(view, &client);
    win32::WindowDc viewDc(view);
    if (!viewDc) return;
    PaintDesktop(viewDc.get());
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, 0, 0, cellW, cellH, viewDc.get(), 0, 0, client.right, client.bottom, SRCCOPY);
    for (int col = 0; col < spec.cols; ++col)
        for (int row = 0; row < spec.rows; ++row)
            if (row != 0 || col != 0) BitBlt(target, col * cellW, row * cellH, cellW, cellH, target, 0, 0, SRCCOPY);
}

}  // namespace zelvane
