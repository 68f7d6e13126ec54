#pragma once
#include <windows.h>

namespace zelvane {

// The module instance, stored once at entry before any other thread exists.
HINSTANCE appInstance();
void setAppInstance(HINSTANCE instance);

}  // namespace zelvane
