#pragma once
// The 64-bit companion: Quillet64Host.exe, a small 64-bit program that sets
// the hooks of Quillet64.dll (the hook library built for 64-bit) for Zelvane
// on 64-bit Windows, where a 32-bit library cannot be mapped into 64-bit
// programs. Zelvane starts it with its main window's handle; it reports to
// that window exactly as Quillet.dll does. This header is what Zelvane and
// the host agree on.
#include <windows.h>

namespace quillet::companion {

inline constexpr const wchar_t* kHostFile = L"Quillet64Host.exe";
inline constexpr const wchar_t* kLibraryFile = L"Quillet64.dll";
// The only window the host reports to.
inline constexpr const wchar_t* kMainClass = L"ZelvaneMainClass";

// Command line: "<host path>" <main window handle in decimal>

// Thread messages Zelvane posts to the host's main thread (wParam and
// lParam 0). The host begins with its hooks set.
inline constexpr UINT kMsgStop = WM_APP + 1;     // take the hooks out and end
inline constexpr UINT kMsgSuspend = WM_APP + 2;  // take the hooks out (the preview is open)
inline constexpr UINT kMsgResume = WM_APP + 3;   // set them again

// Exit codes. The host also ends by itself, with kExitDone, when Zelvane's
// process has ended. The others mean that starting it again cannot help.
inline constexpr DWORD kExitDone = 0;
inline constexpr DWORD kExitBadArguments = 2;  // no window, or not Zelvane's main window
inline constexpr DWORD kExitNoLibrary = 3;     // Quillet64.dll missing beside it, or lacking an export
inline constexpr DWORD kExitHookFailed = 4;    // SetHook failed (its message box was shown)

}  // namespace quillet::companion
