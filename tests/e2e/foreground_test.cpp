// The foreground: before the hook library reports anything from a program
// (a move, a press, a window being dragged), it lets Zelvane's process take
// the foreground, since the report may open the preview, slide or activate
// a window there. Wine does not enforce the foreground lock, so what can be
// seen here is the call itself: the hook runs inside this test program (its
// windows are hooked like any program's), and the library's imports of
// AllowSetForegroundWindow and PostMessageA are replaced by recorders for
// the test. Run with Zelvane's own hooks and with the 64-bit companion.
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fixture.h"
#include "import_patch.h"
#include "mouse_input.h"

namespace e2e {
namespace {

constexpr UINT kMsgWindowMoving = 0xBFF8;
constexpr UINT kMsgMouseMove = 0xBFF9;
constexpr UINT kMsgLeftDown = 0xBFFA;
constexpr UINT kMsgLeftUp = 0xBFFD;

// What the library called, in order, on which thread.
struct Call {
    DWORD thread;
    bool allow;     // AllowSetForegroundWindow, else PostMessageA
    DWORD pid;      // AllowSetForegroundWindow's argument
    HWND target;    // PostMessageA's window and message
    UINT message;
};

struct Recorder {
    std::mutex lock;
    std::vector<Call> calls;
    BOOL(WINAPI* allow)(DWORD) = nullptr;
    BOOL(WINAPI* post)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};
Recorder g_recorder;

BOOL WINAPI recordAllow(DWORD pid) {
    {
        std::lock_guard<std::mutex> guard(g_recorder.lock);
        g_recorder.calls.push_back(Call{GetCurrentThreadId(), true, pid, nullptr, 0});
    }
    return g_recorder.allow(pid);
}

BOOL WINAPI recordPost(HWND target, UINT message, WPARAM wp, LPARAM lp) {
    {
        std::lock_guard<std::mutex> guard(g_recorder.lock);
        g_recorder.calls.push_back(Call{GetCurrentThreadId(), false, 0, target, message});
    }
    return g_recorder.post(target, message, wp, lp);
}

template <typename Fn>
void* address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

class ForegroundTest : public ZelvaneTest, public ::testing::WithParamInterface<Hooks> {
protected:
    void TearDown() override {
        patches_.clear();  // before the library can go
        ZelvaneTest::TearDown();
    }

    const wchar_t* library() const { return GetParam() == Hooks::Own ? L"Quillet.dll" : L"Quillet64.dll"; }

    // Waits until the hook library is mapped into this process (the hooks
    // reach it on the first move over one of its windows), puts the
    // recorders in and waits until they see a report to `main`: then the
    // hooks of this Zelvane are set (the library may have stayed loaded
    // here since an earlier test).
    ::testing::AssertionResult patchLibrary(POINT over, HWND main) {
        HMODULE module = nullptr;
        int step = 0;
        const auto wiggle = [&] { moveTo(POINT{over.x + (++step % 2) * 10, over.y}); };
        pollUntil([&] {
            wiggle();
            return (module = GetModuleHandleW(library())) != nullptr;
        });
        if (!module) return ::testing::AssertionFailure() << narrow(library()) << " never reached this process";
        // The recorders pass each call on; they may run as soon as they are in.
        g_recorder.allow = &AllowSetForegroundWindow;
        g_recorder.post = &PostMessageA;
        patches_.push_back(std::make_unique<ImportPatch>(module, "user32.dll", "AllowSetForegroundWindow",
                                                         address(recordAllow)));
        patches_.push_back(
            std::make_unique<ImportPatch>(module, "user32.dll", "PostMessageA", address(recordPost)));
        for (const auto& p : patches_)
            if (!p->ok()) return ::testing::AssertionFailure() << "the library's imports could not be replaced";
        const bool reported = pollUntil([&] {
            wiggle();
            for (const Call& c : calls())
                if (!c.allow && c.target == main) return true;
            return false;
        });
        if (!reported) return ::testing::AssertionFailure() << "the hooks never reported to Zelvane from here";
        std::lock_guard<std::mutex> guard(g_recorder.lock);
        g_recorder.calls.clear();
        return ::testing::AssertionSuccess();
    }

    std::vector<Call> calls() {
        std::lock_guard<std::mutex> guard(g_recorder.lock);
        return g_recorder.calls;
    }

    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

INSTANTIATE_TEST_SUITE_P(Via, ForegroundTest, ::testing::Values(Hooks::Own, Hooks::Companion), hooksName);

TEST_P(ForegroundTest, EveryReportFirstLetsZelvaneTakeTheForeground) {
    Tracked* pad = layout.open(host, "pad", {0, 0}, makeRect(200, 150, 600, 400));
    ASSERT_TRUE(pad->window->ok());
    zelvanes.push_back(std::make_unique<ZelvaneProcess>(ZelvaneProcess::freshHome(L"foreground")));
    ZelvaneProcess* z = zelvanes.back().get();
    useHooks(*z, GetParam());
    ASSERT_TRUE(z->start() && z->waitReady()) << narrow(z->lastError());
    const HWND main = z->mainWindow();

    RECT r{};
    GetWindowRect(pad->window->hwnd(), &r);
    const POINT inside{r.left + 200, r.top + 200};
    ASSERT_TRUE(patchLibrary(inside, main));

    // A click inside, and the window told it is being moved (what a drag by
    // its title bar would send it; Wine now and then starts no move loop for
    // an injected press): moves, a press, a release and a window-moving
    // report, all from this process.
    moveTo(POINT{inside.x + 30, inside.y + 30});
    moveTo(inside);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    SendMessageW(pad->window->hwnd(), WM_MOVING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&r));

    std::vector<Call> seen;
    ASSERT_TRUE(pollUntil([&] {
        seen = calls();
        bool moving = false, up = false;
        for (const Call& c : seen) {
            moving = moving || (!c.allow && c.message == kMsgWindowMoving);
            up = up || (!c.allow && c.message == kMsgLeftUp);
        }
        return moving && up;
    })) << "the library did not report all from this process (" << seen.size() << " calls)";

    // Each report to Zelvane's window follows, on its thread, a call that
    // allows Zelvane's own process (not this one, not the host) the
    // foreground; and each of the four kinds of report was made.
    std::set<UINT> kinds;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const Call& c = seen[i];
        if (c.allow || c.target != main) continue;
        std::size_t before = i;
        while (before > 0 && seen[before - 1].thread != c.thread) --before;
        EXPECT_TRUE(before > 0 && seen[before - 1].allow && seen[before - 1].pid == z->pid())
            << "report 0x" << std::hex << c.message << " posted without allowing Zelvane the foreground first";
        kinds.insert(c.message);
    }
    EXPECT_EQ((std::set<UINT>{kMsgWindowMoving, kMsgMouseMove, kMsgLeftDown, kMsgLeftUp}), kinds);
}

}  // namespace
}  // namespace e2e
