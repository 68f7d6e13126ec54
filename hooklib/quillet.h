#pragma once
// The hook library's interface: its four exports and the messages its hooks
// post to the window named with SetMainHWND. Zelvane loads the library at
// run time and calls the exports through pointers of the types below.
#include <windows.h>

#define QUILLET_CALL __cdecl

namespace quillet {

// Posted with wParam 0. The mouse messages carry the hook's lParam, an
// address inside the hooked process that means nothing to the receiver.
constexpr UINT kMsgWindowMoving = 0xBFF8;  // lParam: the window being moved
constexpr UINT kMsgMouseMove = 0xBFF9;
constexpr UINT kMsgLeftDown = 0xBFFA;
constexpr UINT kMsgRightDown = 0xBFFB;
constexpr UINT kMsgMiddleDown = 0xBFFC;
constexpr UINT kMsgLeftUp = 0xBFFD;
constexpr UINT kMsgRightUp = 0xBFFE;
constexpr UINT kMsgMiddleUp = 0xBFFF;

// Stores the window the hooks report to; always 1.
using SetMainHwndFn = int(QUILLET_CALL*)(HWND);
// IsHook: 1 when this process has set the hooks. SetHook: sets both hooks
// system-wide, 1 on success or when already set. UnsetHook: removes them,
// 1 on success or when not set. Failures are shown in a message box.
using HookFn = int(QUILLET_CALL*)();

}  // namespace quillet
