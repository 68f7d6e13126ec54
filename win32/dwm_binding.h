#pragma once
// The desktop window manager's library, bound at run time: absent on old
// systems, and then the preview captures window pictures itself. Loaded
// from the system folder only, never by a search that could find a planted
// copy. Used on the UI thread; none of these calls waits for another program.
#include <windows.h>
#include <dwmapi.h>

#include "win32/handles.h"

namespace zelvane::dwm {

// Binds the library and its five functions once; without all five the
// program behaves as on a system without it.
void load();
// Frees the library at shutdown, once no thumbnail is left; from then on the
// program behaves as without it.
void unload();
bool available();
bool compositionEnabled();
bool cloaked(HWND w);

HRESULT registerThumbnail(HWND destination, HWND source, HTHUMBNAIL* thumbnail);
HRESULT unregisterThumbnail(HTHUMBNAIL thumbnail);
HRESULT updateThumbnail(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES& properties);

struct ThumbnailTraits {
    static HTHUMBNAIL invalid() { return nullptr; }
    static void close(HTHUMBNAIL h) { unregisterThumbnail(h); }
};
// A registered thumbnail, unregistered exactly once.
using UniqueThumbnail = win32::UniqueHandle<HTHUMBNAIL, ThumbnailTraits>;

}  // namespace zelvane::dwm
