#pragma once
// The desktop as Windows shows it: the controller's view of real windows.
#include <windows.h>

#include "controller/desktop.h"

namespace zelvane::win32 {

inline HWND toHwnd(WindowId w) { return reinterpret_cast<HWND>(w); }
inline WindowId toWindowId(HWND h) { return reinterpret_cast<WindowId>(h); }

class Win32Desktop : public Desktop {
public:
    ScreenMetrics metrics() const override;
    std::vector<WindowId> topLevelWindows() const override;
    bool isWindow(WindowId w) const override;
    bool isVisible(WindowId w) const override;
    bool isMinimized(WindowId w) const override;
    Rect windowRect(WindowId w) const override;
    std::string className(WindowId w) const override;
    bool ownedByThisProcess(WindowId w) const override;
    std::uint32_t style(WindowId w) const override;
    std::uint32_t exStyle(WindowId w) const override;
    bool isCloaked(WindowId w) const override;
    WindowId owner(WindowId w) const override;
    WindowId foregroundWindow() const override;
    WindowId shellWindow() const override;

    bool placeWindow(WindowId w, std::optional<Point> pos, bool show) override;
    bool isHung(WindowId w) const override;
    std::uint32_t windowThread(WindowId w) const override;
    bool requestNotice(WindowId w, std::uint64_t ticket) override;
    void setNoticeHandler(std::function<void(std::uint64_t)> handler) override;
    bool setForeground(WindowId w, const std::function<bool()>& stillWanted) override;
    void waitForModifiersReleased(int limitMs) override;
    void setRescueList(const std::vector<RescuePlacement>& list) override;
    SessionStamp sessionStamp() const override;
};

}  // namespace zelvane::win32
