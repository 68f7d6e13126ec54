#pragma once
// The program's fixed names: its own, its window classes, its files, and the
// window classes it never manages.
#include <array>
#include <string>
#include <vector>

#include "app/version.h"

namespace zelvane {

inline constexpr const char* kProgramName = "Zelvane";
inline constexpr const char* kVersion = ZELVANE_VERSION_TEXT;
inline constexpr const char* kMainClass = "ZelvaneMainClass";
inline constexpr const char* kCtrlClass = "ZelvaneCtrlClass";
inline constexpr const char* kViewClass = "ZelvaneViewClass";
inline constexpr const char* kCoverClass = "ZelvaneCoverClass";
inline constexpr std::array<const char*, 2> kConfigFileNames{".zlvrc", "_zlvrc"};
inline constexpr std::array<const char*, 2> kDataDirNames{".zlv", "_zlv"};
inline constexpr const char* kDragImageFile = "mag.bmp";
inline constexpr const char* kHookLibraryFile = "Quillet.dll";
inline constexpr int kIconResource = 101;

// Classes that belong to the shell or to the program itself: never managed.
inline const std::vector<std::string>& systemClassList() {
    static const std::vector<std::string> classes{
        "ZelvaneMainClass",   "ZelvaneCtrlClass",   "ZelvaneViewClass",
        "ZelvaneCoverClass",  "Shell_TrayWnd",      "Shell_SecondaryTrayWnd",
        "EdgeUiInputWndClass", "Button",            "Desktop User Picture",
        "NotifyIconOverflowWindow", "WorkerW",      "TaskListOverlayWnd",
        "TaskListThumbnailWnd", "CWmpControlCntr",  "ThumbnailClass",
        "Progman",            "tooltips_class32",   "#32768",
        "#32769",             "BaseBar",            "DV2ControlHost",
        "CiceroUIWndFrame",   "SysShadow",
    };
    return classes;
}

// Classes of the taskbar, shown above the preview.
inline constexpr std::array<const char*, 3> kTaskbarClasses{"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "Button"};

}  // namespace zelvane
