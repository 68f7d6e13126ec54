#pragma once
// The desktop the controller works on. Zelvane.exe's is Windows' own
// (app/desktop_factory.cpp, linked into the program itself, not into the
// app library): a test build links a stand-in in its place.
#include <memory>

#include "controller/desktop.h"

namespace zelvane {

std::shared_ptr<Desktop> makeDesktop();

}  // namespace zelvane
