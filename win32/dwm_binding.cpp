#include "win32/dwm_binding.h"

namespace zelvane::dwm {

namespace {

using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
using RegisterThumbnailFn = HRESULT(WINAPI*)(HWND, HWND, HTHUMBNAIL*);
using UnregisterThumbnailFn = HRESULT(WINAPI*)(HTHUMBNAIL);
using UpdateThumbnailPropertiesFn = HRESULT(WINAPI*)(HTHUMBNAIL, const DWM_THUMBNAIL_PROPERTIES*);
using GetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, void*, DWORD);

// The binding is process-wide by nature (one library per process), filled
// once on the UI thread and read only there.
struct Binding {
    win32::UniqueModule module;
    IsCompositionEnabledFn isCompositionEnabled = nullptr;
    RegisterThumbnailFn registerThumbnail = nullptr;
    UnregisterThumbnailFn unregisterThumbnail = nullptr;
    UpdateThumbnailPropertiesFn updateThumbnailProperties = nullptr;
    GetWindowAttributeFn getWindowAttribute = nullptr;
    bool tried = false;
};

Binding& binding() {
    static Binding b;
    return b;
}

template <typename Fn>
Fn resolve(HMODULE m, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

}  // namespace

void load() {
    Binding& b = binding();
    if (b.tried) return;
    b.tried = true;
    win32::UniqueModule m(LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!m) return;
    b.isCompositionEnabled = resolve<IsCompositionEnabledFn>(m.get(), "DwmIsCompositionEnabled");
    b.registerThumbnail = resolve<RegisterThumbnailFn>(m.get(), "DwmRegisterThumbnail");
    b.unregisterThumbnail = resolve<UnregisterThumbnailFn>(m.get(), "DwmUnregisterThumbnail");
    b.updateThumbnailProperties = resolve<UpdateThumbnailPropertiesFn>(m.get(), "DwmUpdateThumbnailProperties");
    b.getWindowAttribute = resolve<GetWindowAttributeFn>(m.get(), "DwmGetWindowAttribute");
    if (b.isCompositionEnabled && b.registerThumbnail && b.unregisterThumbnail && b.updateThumbnailProperties &&
        b.getWindowAttribute)
        b.module = std::move(m);
}

void unload() {
    Binding& b = binding();
    b.module.reset();
    b.isCompositionEnabled = nullptr;
    b.registerThumbnail = nullptr;
    b.unregisterThumbnail = nullptr;
    b.updateThumbnailProperties = nullptr;
    b.getWindowAttribute = nullptr;
}

bool available() { return static_cast<bool>(binding().module); }

bool compositionEnabled() {
    if (!available()) return false;
    BOOL on = FALSE;
    binding().isCompositionEnabled(&on);
    return on == TRUE;
}

bool cloaked(HWND w) {
    if (!available()) return false;
    DWORD value = 0;
    binding().getWindowAttribute(w, DWMWA_CLOAKED, &value, sizeof(value));
    return value != 0;
}

HRESULT registerThumbnail(HWND destination, HWND source, HTHUMBNAIL* thumbnail) {
    *thumbnail = nullptr;
    return available() ? binding().registerThumbnail(destination, source, thumbnail) : E_NOTIMPL;
}

HRESULT unregisterThumbnail(HTHUMBNAIL thumbnail) {
    return available() && thumbnail ? binding().unregisterThumbnail(thumbnail) : S_FALSE;
}

HRESULT updateThumbnail(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES& properties) {
    return available() && thumbnail ? binding().updateThumbnailProperties(thumbnail, &properties) : E_NOTIMPL;
}

}  // namespace zelvane::dwm
