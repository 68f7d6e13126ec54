#pragma once
// A controller over the fake desktop and settings of its own, with its data
// directory in a fresh temporary folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/define.h"
#include "config/settings_file.h"
#include "controller/wsctrl.h"
#include "fake_desktop.h"

namespace zelvane::testing {

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("zelvane-test-" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        desktop->shell = desktop->add(0, 0, 1280, 800, "Progman");
        ctrl = makeController();
    }
    void TearDown() override {
        ctrl.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // A controller over the fixture's settings, or over settings of its own.
    // With `onClock`, its books on placements in flight read the fixture's
    // clock, which only advance() moves.
    std::unique_ptr<WSController> makeController(bool onClock = false) { return makeController(settings, onClock); }
    std::unique_ptr<WSController> makeController(SettingsFile& over, bool onClock = false) {
        Activator::Options options;
        options.stuckAfter = std::chrono::milliseconds(5);
        PlacementExecutor::Options placement;
        if (onClock) placement.now = [this] { return clock; };
        auto c = std::make_unique<WSController>(desktop, over, systemClassList(), options, placement);
        c->setDataDir(dir.u8string());
        return c;
    }
    void advance(std::chrono::milliseconds by) { clock += by; }
    // Switches and waits for every responsive window to be placed.
    void switchTo(int row, int col, WindowId carried = kNoWindow) {
        ASSERT_TRUE(ctrl->switchWS(row, col, carried));
        settle();
    }
    // The UI thread takes its messages (the programs' notices), then waits
    // for the activation and the window-list file.
    void settle() {
        desktop->pumpNotices();
        ctrl->waitIdle(std::chrono::seconds(5));
    }
    Rect rectOf(WindowId w) const { return desktop->get(w).rect; }
    bool visible(WindowId w) const { return desktop->get(w).visible; }

    std::shared_ptr<FakeDesktop> desktop = std::make_shared<FakeDesktop>();
    SettingsFile settings{systemClassList()};  // declared before the controller that reads it
    std::unique_ptr<WSController> ctrl;
    std::filesystem::path dir;
    PlacementExecutor::Clock::time_point clock{};
};

}  // namespace zelvane::testing

namespace zelvane {
inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << '(' << r.left << ',' << r.top << ")-(" << r.right << ',' << r.bottom << ')';
}
}  // namespace zelvane
