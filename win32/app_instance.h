#pragma once
#include <windows.h>

namespace zelvane {

// The program's own module: the instance its window classes are registered
// with and its resources are loaded from.
inline HINSTANCE appInstance() { return GetModuleHandleW(nullptr); }

}  // namespace zelvane
