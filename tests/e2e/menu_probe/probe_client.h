#pragma once
// The test side of the probe library (menu_probe.h): loads it beside the
// test program, hooks it into a Zelvane window's thread and asks it
// questions from inside Zelvane's process. Shared by the tests that read
// Zelvane's menus and those that count its handles.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "menu_probe/menu_probe.h"
#include "poll.h"
#include "processes.h"

namespace e2e {

class MenuProbe {
public:
    MenuProbe() = default;
    ~MenuProbe() {
        if (detach_) detach_();
        if (module_) FreeLibrary(module_);
    }
    MenuProbe(const MenuProbe&) = delete;
    MenuProbe& operator=(const MenuProbe&) = delete;

    // Attaches to the thread of target; again after a restart of Zelvane.
    ::testing::AssertionResult attach(HWND target) {
        if (detach_) detach_();
        target_ = target;
        if (!module_) module_ = LoadLibraryW(besideThisProgram(kMenuProbeLibrary).c_str());
        if (!module_) return ::testing::AssertionFailure() << "menu_probe.dll not found beside the test program";
        attach_ = reinterpret_cast<ProbeAttachFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ProbeAttach")));
        detach_ = reinterpret_cast<ProbeDetachFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ProbeDetach")));
        ask_ = reinterpret_cast<ProbeAskFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ProbeAsk")));
        if (!attach_ || !detach_ || !ask_) return ::testing::AssertionFailure() << "menu_probe.dll lacks its exports";
        if (!attach_(target)) return ::testing::AssertionFailure() << "could not hook Zelvane's thread";
        // The first answer shows that the library was mapped into Zelvane.
        std::string reply;
        if (!pollUntil([&] { return ask("gui", &reply); }, 30s))
            return ::testing::AssertionFailure() << "the probe never answered from inside Zelvane";
        return ::testing::AssertionSuccess();
    }
    bool ask(const std::string& request, std::string* reply) const {
        static char buf[65536];
        if (!ask_ || !ask_(target_, request.c_str(), buf, sizeof buf, 5000)) return false;
        *reply = buf;
        return true;
    }
    std::string ask(const std::string& request) const {
        std::string reply;
        return ask(request, &reply) ? reply : "(no answer)";
    }

private:
    HWND target_ = nullptr;
    HMODULE module_ = nullptr;
    ProbeAttachFn attach_ = nullptr;
    ProbeDetachFn detach_ = nullptr;
    ProbeAskFn ask_ = nullptr;
};

}  // namespace e2e
