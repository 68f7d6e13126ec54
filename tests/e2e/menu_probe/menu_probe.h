#pragma once
// A test-only library that reads Zelvane's popup menu from inside Zelvane's
// process, where menu handles are valid (under Wine a menu handle means
// nothing to another process). The test loads it and attaches a
// call-window-procedure hook to the main window's thread; the system maps
// the library into Zelvane, and a registered message sent to the main
// window makes the hook answer a request there.
//
// Requests and their replies (UTF-8 text):
//   "menu"           the open popup menu: "none" when no menu is open, else
//                    a first line "menu <handle>" followed by one line per
//                    entry, depth-first:
//                      <depth> TAB <id> TAB <flags> TAB <label>
//                    flags: "sub:<handle>" for a submenu, "checked",
//                    "radio", "grayed", separated by commas ("-" for none)
//   "alive H1 H2.."  how many of the given menu handles (hex) are still menus
//   "rect"           "<left> <top> <right> <bottom>" around every open popup
//   "fit"            "ok" when every entry of the open popups holds its label
//                    whole in the system's menu font, else "cut: ..." naming
//                    the first that does not ("none" when no menu is open)
//   "gui"            "<gdi> <user>": GetGuiResources of Zelvane's process
//                    (Wine does not count them: always "0 0")
//   "fresh"          the highest handle slot (low word) among 32 menus made
//                    and destroyed at once: climbs only as handles pile up
//   "freshgdi"       the same for GDI handles (32 regions)
#include <windows.h>

// The exports, found by name with GetProcAddress (plain C names), so that a
// missing library fails a test instead of the whole test program.
//
// ProbeAttach: hooks the thread of `target`; false when the hook could not be set.
// ProbeDetach: removes the hook.
// ProbeAsk: sends the request to `target` and copies the reply into `reply`
//   (UTF-8, NUL-terminated); false when the target did not answer within
//   `timeoutMs` or the hook did not run in it.
using ProbeAttachFn = BOOL (*)(HWND target);
using ProbeDetachFn = void (*)();
using ProbeAskFn = BOOL (*)(HWND target, const char* request, char* reply, int replySize, UINT timeoutMs);

constexpr wchar_t kMenuProbeLibrary[] = L"menu_probe.dll";
