#pragma once
// What the test-only stand-in taskbar understands: messages to its
// "Shell_TrayWnd" window. Shared by the stand-in and the tests that drive it.
#include <windows.h>

namespace e2e::standin {

constexpr wchar_t kProgram[] = L"taskbar_stand_in.exe";
// Command-line flag: group buttons under headers, one group per window class.
constexpr wchar_t kGroupsFlag[] = L"--groups";

// Posted: the stand-in stops answering anything for wParam milliseconds.
constexpr UINT kHang = WM_APP + 1;
// Posted: every toolbar message from another thread waits wParam ms first.
constexpr UINT kSlow = WM_APP + 2;
// Sent: takes in the current windows now; returns the number of buttons.
constexpr UINT kRefresh = WM_APP + 3;
// Sent: the window behind button wParam (0 for a header), -1 past the end.
constexpr UINT kButtonWindow = WM_APP + 4;
// Sent: moves the button of window wParam, with its group, to the front
// (as a user dragging it); returns 0 when the window has no button.
constexpr UINT kToFront = WM_APP + 5;
// Posted: before each of the next wParam moves another program asks for
// (TB_MOVEBUTTON), the stand-in changes its buttons as the shell may between
// a program's check of a button and its move: its first group (or, without
// groups, its first button) goes to the end, so every index behind it
// shifts and the move lands on another button.
constexpr UINT kChurn = WM_APP + 6;

}  // namespace e2e::standin
