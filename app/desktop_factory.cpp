#include "app/desktop_factory.h"

#include "win32/win32_desktop.h"

namespace zelvane {

std::shared_ptr<Desktop> makeDesktop() { return std::make_shared<win32::Win32Desktop>(); }

}  // namespace zelvane
