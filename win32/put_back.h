#pragma once
// Puts back what the rescue book lists: every window shown again at its
// place, the hidden taskbar windows shown. Run by the crash handler inside a
// dying Zelvane and by the guard after Zelvane has gone, so it allocates
// nothing, takes no lock, calls no C runtime and waits on no other program.
#include "win32/rescue_book.h"

namespace zelvane::win32 {

void putBack(const rescue::Book& book);

}  // namespace zelvane::win32
